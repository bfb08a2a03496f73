#include "process/tool_outcome.hpp"

#include <string>

namespace velmora {
namespace {

// Tools report an unsigned status; the messages show it as Windows code
// does, so a crash status such as 0xC0000005 reads as a negative number.
std::string signed_decimal(std::uint32_t code) {
    return std::to_string(static_cast<std::int32_t>(code));
}

} // namespace

bool succeeded(const ToolOutcome& outcome) {
    const auto* exited = std::get_if<ToolExited>(&outcome);
    return exited && exited->exit_code == 0;
}

Status outcome_status(const ToolOutcome& outcome, const FailureTexts& texts) {
    if (succeeded(outcome))
        return {};
    if (const auto* exited = std::get_if<ToolExited>(&outcome))
        return SetupError{std::string(texts.failed) + " with exit code " +
                          signed_decimal(exited->exit_code) + std::string(texts.after_exit_code)};
    return SetupError{std::string(texts.failed) + ": " +
                      std::get<ToolFailed>(outcome).error.message};
}

} // namespace velmora
