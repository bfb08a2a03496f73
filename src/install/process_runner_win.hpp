#pragma once
// Runs an external tool hidden, with its standard streams on the null device,
// and waits for it without a time limit.

#include "common/setup_error.hpp"

#include <cstdint>
#include <string>
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

ToolOutcome run_tool(std::string_view tool_name, const std::vector<std::string>& arguments);

// powershell.exe -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command <command>
ToolOutcome run_powershell(const std::string& command);

} // namespace velmora
