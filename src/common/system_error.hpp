#pragma once
// The text of a failed operating-system operation.

#include "common/setup_error.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// "<system message without trailing white space> (os error <code>)", or, when
// the system has no message for the code,
// "OS Error <code> (FormatMessageW() returned error <lookup_error>)".
std::string compose_system_error(std::optional<std::string_view> system_message, std::uint32_t code,
                                 std::uint32_t lookup_error);

// What it means that a process could not be opened (OpenProcess's error
// code): "no such process" (ERROR_INVALID_PARAMETER) means it has gone; any
// other error (access denied) leaves it possibly running.
enum class OpenFailure { process_gone, may_still_run };
OpenFailure meaning_of_open_failure(std::uint32_t error_code);

} // namespace velmora
