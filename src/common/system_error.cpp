#include "common/system_error.hpp"

namespace velmora {

std::string compose_system_error(std::optional<std::string_view> system_message, std::uint32_t code,
                                 std::uint32_t lookup_error) {
    if (!system_message) {
        return "OS Error " + std::to_string(code) + " (FormatMessageW() returned error " +
               std::to_string(lookup_error) + ")";
    }
    std::string_view text = *system_message;
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n' || text.back() == '\v' || text.back() == '\f'))
        text.remove_suffix(1);
    return std::string(text) + " (os error " + std::to_string(code) + ")";
}

OpenFailure meaning_of_open_failure(std::uint32_t error_code) {
    constexpr std::uint32_t no_such_process = 87; // ERROR_INVALID_PARAMETER
    return error_code == no_such_process ? OpenFailure::process_gone : OpenFailure::may_still_run;
}

} // namespace velmora
