#pragma once
// What a started program inherits from this one: its standard handles.

#include "common/handle_win.hpp"
#include "process/launch_process_win.hpp"

namespace velmora {

// Inheritable duplicates of this process's standard input, output and error.
// A handle that is missing (a windowed program normally has none), no longer
// valid, or not a file, pipe or console cannot be handed on and stays null.
struct StandardHandles {
    UniqueHandle input;
    UniqueHandle output;
    UniqueHandle error;

    StandardStreams streams() const { return {input.get(), output.get(), error.get()}; }
};

StandardHandles duplicate_standard_handles();

} // namespace velmora
