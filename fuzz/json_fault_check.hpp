#pragma once
// What every fault description of the JSON record reader must be, whatever
// the document held: fit for a message box (valid UTF-8 and short) and ended
// by the position where the fault was found.

#include "common/text.hpp"
#include "json/fault_text.hpp"

#include <string_view>

namespace velmora {

// Removes a run of decimal digits from the front of text; false when none.
inline bool take_number(std::string_view& text) {
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    text.remove_prefix(digits);
    return digits > 0;
}

// " at line L column C" at the very end, L from 1.
inline bool ends_with_position(std::string_view message) {
    constexpr std::string_view line = " at line ";
    constexpr std::string_view column = " column ";
    const auto at = message.rfind(line);
    if (at == std::string_view::npos)
        return false;
    std::string_view rest = message.substr(at + line.size());
    if (rest.starts_with('0') || !take_number(rest) || !rest.starts_with(column))
        return false;
    rest.remove_prefix(column.size());
    return take_number(rest) && rest.empty();
}

inline bool fits_message_box(std::string_view message) {
    return message.size() <= max_json_fault_size && sanitize_utf8(message) == message;
}

} // namespace velmora
