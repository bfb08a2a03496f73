#include "install/powershell_quote.hpp"

namespace velmora {

std::string powershell_quote(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size());
    for (const char c : text) {
        if (c == '\'')
            quoted += '\'';
        quoted += c;
    }
    return quoted;
}

} // namespace velmora
