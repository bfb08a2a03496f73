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

} // namespace velmora
