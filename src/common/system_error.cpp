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

} // namespace velmora
