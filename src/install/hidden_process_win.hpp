#pragma once
// Starting a console tool hidden, with exactly its three standard streams
// handed down, and waiting for its exit code.

#include "common/handle_win.hpp"
#include "common/setup_error.hpp"

#include <windows.h>

#include <cstdint>
#include <string>

namespace velmora {

struct ToolStreams {
    HANDLE input;
    HANDLE output;
    HANDLE error;
};

// The null device, opened inheritable: reads end at once, writes vanish.
Result<UniqueFile> open_null_device(DWORD access);

// Creates the process with CREATE_NO_WINDOW and the given streams, which
// must be inheritable and are the only handles it inherits (an explicit
// handle list), so no other handle of this program leaks into the tool and
// keeps, say, another tool's pipe open. Returns the process handle.
Result<UniqueHandle> start_hidden_process(const std::string& program,
                                          const std::string& command_line,
                                          const ToolStreams& streams);

// Waits without a time limit, then reads the exit code.
Result<std::uint32_t> wait_for_exit_code(HANDLE process);

} // namespace velmora
