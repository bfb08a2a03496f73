#pragma once
// The one way this program starts another: CreateProcessW with no console
// window and an explicit list of the handles the child inherits (its
// standard streams, nothing else of ours), and the wait for its exit code.

#include "common/handle_win.hpp"
#include "common/setup_error.hpp"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace velmora {

// Inheritable handles; a null one is not handed on. With none at all, the
// child inherits nothing and gets no standard handles of ours.
struct StandardStreams {
    HANDLE input = nullptr;
    HANDLE output = nullptr;
    HANDLE error = nullptr;
};

struct LaunchOptions {
    std::string program; // full path
    std::string command_line;
    StandardStreams streams;
    const std::u16string* environment = nullptr;  // a block; null: this program's own
    std::optional<std::string> working_directory; // none: this program's own
    bool in_tools_job = false;                    // a tool: killed when this program ends
};

// Starts the process with CREATE_NO_WINDOW; returns its handle. A process
// in the tools' job is created suspended, put into the tools' job
// and only then resumed, so that not even its first instructions run outside.
Result<UniqueHandle> launch_process(const LaunchOptions& options);

// The null device, opened inheritable: reads end at once, writes vanish.
Result<UniqueFile> open_null_device(DWORD access);

// Waits without a time limit, then reads the exit code.
Result<std::uint32_t> wait_for_exit_code(HANDLE process);

} // namespace velmora
