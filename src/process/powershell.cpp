#include "process/powershell.hpp"

namespace velmora {
namespace {

// The length of the quote character that starts text, 0 when there is none:
// the ASCII quote or U+2018..U+201B (E2 80 98..9B in UTF-8).
std::size_t quote_length(std::string_view text) {
    if (text.starts_with('\''))
        return 1;
    if (text.size() >= 3 && text.starts_with("\xE2\x80") &&
        static_cast<unsigned char>(text[2]) >= 0x98 && static_cast<unsigned char>(text[2]) <= 0x9B)
        return 3;
    return 0;
}

} // namespace

std::string powershell_quote(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size());
    while (!text.empty()) {
        const std::size_t quote = quote_length(text);
        const std::size_t length = quote == 0 ? 1 : quote;
        quoted += text.substr(0, length);
        if (quote != 0)
            quoted += text.substr(0, length);
        text.remove_prefix(length);
    }
    return quoted;
}

std::vector<std::string> powershell_arguments(std::string_view command) {
    return {"-NoProfile", "-NonInteractive", "-ExecutionPolicy",
            "Bypass",     "-Command",        std::string(command)};
}

} // namespace velmora
