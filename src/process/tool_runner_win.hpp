#pragma once
// Runs an external tool hidden, with its standard streams on the null device,
// and waits for it without a time limit; and the "tool first, then
// PowerShell" rule that downloads and extraction share.

#include "common/setup_error.hpp"
#include "process/launch_process_win.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velmora {

struct ToolExited {
    std::uint32_t exit_code;
};
struct ToolFailed {
    SetupError error; // the OS error, "program not found" or "nul byte found in provided data"
};
using ToolOutcome = std::variant<ToolExited, ToolFailed>;

// Looks for the tool beside this executable, in the system folder, in the
// Windows folder, then along PATH; "program not found" when none has it.
Result<std::string> find_tool(std::string_view tool_name);

// A tool found and its command line built: settled before any handle for
// the child is opened, so that a tool that is missing opens nothing.
struct ToolCommand {
    std::string program; // full path
    std::string command_line;
    std::optional<std::string> working_directory; // none: this program's own
};
Result<ToolCommand> prepare_tool(std::string_view tool_name,
                                 const std::vector<std::string>& arguments,
                                 std::optional<std::string> working_directory = std::nullopt);

// Starts the prepared tool hidden with these streams, inside the tools' job;
// returns the process handle.
Result<UniqueHandle> start_tool(const ToolCommand& command, const StandardStreams& streams);

ToolOutcome run_tool(std::string_view tool_name, const std::vector<std::string>& arguments,
                     std::optional<std::string> working_directory = std::nullopt);

// powershell.exe -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command <command>
ToolOutcome run_powershell(const std::string& command);

// How a caller words the failure of the PowerShell attempt.
struct FallbackMessages {
    std::string (*exit_code)(std::uint32_t code);
    std::string (*failure)(std::string_view reason);
};

// What a caller may add to the tool's run.
struct ToolRunOptions {
    std::optional<std::string> working_directory; // none: this program's own
    std::string output_file; // when named, an exit code of 0 must leave it behind
};

// Runs the tool; when it does not exit with 0 for any reason, or exits with 0
// but leaves no output file (when one is named), runs the PowerShell command
// instead, whose outcome alone decides.
Status run_with_fallback(std::string_view tool_name, const std::vector<std::string>& arguments,
                         const std::string& powershell_command, const FallbackMessages& messages,
                         ToolRunOptions options = {});

} // namespace velmora
