#pragma once
// Runs an external tool hidden, in the tools' job, with its standard streams
// on the null device, and waits for it without a time limit; the "tool
// first, then PowerShell" rule that downloads and extraction share; and the
// run that hands back what a tool printed.

#include "common/setup_error.hpp"
#include "process/tool_outcome.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// One run of a tool, found by its bare file name.
struct ToolRequest {
    std::string tool; // "curl.exe"
    std::vector<std::string> arguments;
    std::optional<std::string> working_directory; // none: this program's own
    std::string output_file; // when named, an exit code of 0 must leave it behind
};

// What is run when the tool does not deliver, and how its failure reads.
struct PowerShellFallback {
    std::string command;
    FailureTexts texts;
};

// Looks for the tool beside this executable, in the system folder, in the
// Windows folder, then along PATH; "program not found" when none has it.
Result<std::string> find_tool(std::string_view tool_name);

// The tool is found and its command line built before any handle for the
// child is opened, so that a tool that is missing opens nothing.
ToolOutcome run_tool(const ToolRequest& request);

// powershell.exe -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command <command>
ToolOutcome run_powershell(const std::string& command);

// Runs the tool; when it does not exit with 0 for any reason, or exits with 0
// but leaves no output file or an empty one (when one is named), runs the
// PowerShell command instead, whose outcome alone decides.
Status run_with_fallback(const ToolRequest& request, const PowerShellFallback& fallback);

struct CapturedRun {
    std::uint32_t exit_code = 0;
    std::string output; // standard output, bytes as written
    std::string errors; // standard error, bytes as written
};

// Finds and quotes the tool exactly as run_tool does, with standard input
// empty and standard output and error on pipes of their own, then waits
// without a time limit until it has ended and both streams are read to their
// end. The error is "program not found", "nul byte found in provided data"
// or the OS error of the call that failed.
Result<CapturedRun> capture_tool(std::string_view tool_name,
                                 const std::vector<std::string>& arguments);

} // namespace velmora
