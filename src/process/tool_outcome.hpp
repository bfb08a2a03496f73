#pragma once
// How a tool's run ended, and how its failure reads to the player.
// Windows-free, so that every text is tested natively.

#include "common/setup_error.hpp"

#include <cstdint>
#include <string_view>
#include <variant>

namespace velmora {

struct ToolExited {
    std::uint32_t exit_code;
};
struct ToolFailed {
    SetupError error; // the OS error, "program not found" or "nul byte found in provided data"
};
using ToolOutcome = std::variant<ToolExited, ToolFailed>;

// Exited with 0.
bool succeeded(const ToolOutcome& outcome);

// How a caller words a tool's failure: "<failed> with exit code N" followed
// by `after_exit_code`, N taken as signed; or "<failed>: <reason>" when the
// tool could not run.
struct FailureTexts {
    std::string_view failed;
    std::string_view after_exit_code;
};

// Success for an exit code of 0; otherwise the failure in the caller's words.
Status outcome_status(const ToolOutcome& outcome, const FailureTexts& texts);

} // namespace velmora
