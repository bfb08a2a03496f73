#pragma once
// The interactive mode: the setup window and its message loop.

#include "common/setup_error.hpp"

#include <string_view>

namespace velmora {

// How the window shows a failed install or launch: the caller's error box.
using ShowError = void (*)(std::string_view message);

// Returns when the message loop has ended, or fails when the window cannot
// be created.
Status run_setup_window(ShowError show_error);

// Restores and raises another setup's window; false when none is open.
bool bring_setup_window_to_front();

} // namespace velmora
