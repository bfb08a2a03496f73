// The texts of fault_text.hpp. They quote the document only; the JSON
// library's own wording is the adapter's (parser.cpp) to pass on or replace.

#include "json/fault_text.hpp"

#include "common/text.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace velmora {
namespace {

// Bytes of the document quoted in one description, the "…" not counted.
constexpr std::size_t excerpt_size = 40;
constexpr std::string_view ellipsis = "\xE2\x80\xA6"; // U+2026

bool is_continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The length of the character at the start of valid UTF-8 text.
std::size_t character_length(std::string_view text) {
    std::size_t length = 1;
    while (length < text.size() && is_continuation(text[length]))
        ++length;
    return length;
}

std::string escaped(std::string_view character) {
    static constexpr char hex[] = "0123456789abcdef";
    const auto byte = static_cast<unsigned char>(character.front());
    switch (byte) {
    case '"':
        return "\\\"";
    case '\\':
        return "\\\\";
    case '\n':
        return "\\n";
    case '\r':
        return "\\r";
    case '\t':
        return "\\t";
    default:
        if (byte < 0x20 || byte == 0x7F)
            return std::string("\\u{") + hex[byte >> 4] + hex[byte & 0xF] + '}';
        return std::string(character);
    }
}

// The text in double quotes, escaped like a JSON string but with \\u{..} for
// other control characters; from the start, cut with "…" when long.
std::string quoted_excerpt(std::string_view text) {
    const std::string valid = sanitize_utf8(text);
    std::string_view rest = valid;
    std::string out = "\"";
    while (!rest.empty()) {
        const std::size_t length = character_length(rest);
        const std::string piece = escaped(rest.substr(0, length));
        if (out.size() - 1 + piece.size() > excerpt_size) {
            out += ellipsis;
            break;
        }
        out += piece;
        rest.remove_prefix(length);
    }
    return out + '"';
}

// The text of a number (ASCII, as the parser read it) or a boolean, cut with
// "…" when long.
std::string literal_excerpt(std::string_view literal) {
    if (literal.size() <= excerpt_size)
        return std::string(literal);
    return std::string(literal.substr(0, excerpt_size)) + std::string(ellipsis);
}

// The kinds' names, in the order of JsonKind.
constexpr std::string_view kind_names[] = {
    "string", "integer", "floating point", "boolean", "null", "sequence", "map"};

std::string describe(const JsonValue& value) {
    const std::string name(kind_names[static_cast<std::size_t>(value.kind)]);
    if (value.kind == JsonKind::string)
        return name + " " + quoted_excerpt(value.text);
    if (value.kind == JsonKind::null || value.kind == JsonKind::sequence ||
        value.kind == JsonKind::map)
        return name;
    return name + " `" + literal_excerpt(value.text) + "`"; // a number's or boolean's text
}

} // namespace

std::string invalid_type(const JsonValue& value, std::string_view expected) {
    return "invalid type: " + describe(value) + ", expected " + std::string(expected);
}

std::string invalid_value(const JsonValue& value, std::string_view expected) {
    return "invalid value: " + describe(value) + ", expected " + std::string(expected);
}

// Built on the C library's conversions: std::to_chars for double would add
// about 200 KB of tables to the executable for a text seen only in messages.
std::string float_text(double value) {
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    // 17 significant digits always read back; fewer often do.
    char scientific[48];
    for (int digits = 1;; ++digits) {
        std::snprintf(scientific, sizeof scientific, "%.*e", digits - 1, value);
        if (digits == 17 || std::strtod(scientific, nullptr) == value)
            break;
    }

    const std::string_view text(scientific);
    const bool negative = text.front() == '-';
    const auto e = text.find('e');
    const auto mantissa = text.substr(negative, e - negative);
    const int exponent = std::atoi(scientific + e + 1);
    std::string significant;
    for (char c : mantissa)
        if (c != '.')
            significant += c;

    std::string fixed;
    if (exponent + 1 >= static_cast<int>(significant.size())) {
        // A whole number: its exact digits, as many as the shortest ones.
        char whole[320];
        std::snprintf(whole, sizeof whole, "%.0f", std::fabs(value));
        fixed = whole;
    } else if (exponent >= 0) {
        fixed = significant.substr(0, exponent + 1) + "." + significant.substr(exponent + 1);
    } else {
        fixed = "0." + std::string(-exponent - 1, '0') + significant;
    }
    std::string result = negative ? "-" : "";
    if (fixed.size() <= text.size() - negative)
        result += fixed;
    else
        result += text.substr(negative);
    if (result.find_first_of(".e") == std::string::npos)
        result += ".0";
    return result;
}

std::string end_excerpt(std::string_view text, std::size_t (*unit_length)(std::string_view rest)) {
    const std::string valid = sanitize_utf8(text);
    std::vector<std::size_t> starts; // where each character or unit begins
    for (std::size_t i = 0; i < valid.size();) {
        starts.push_back(i);
        const std::string_view rest = std::string_view(valid).substr(i);
        const std::size_t unit = unit_length(rest);
        i += unit > 0 ? unit : character_length(rest);
    }
    std::size_t keep = valid.size();
    for (auto start = starts.rbegin(); start != starts.rend(); ++start) {
        if (valid.size() - *start > excerpt_size)
            break;
        keep = *start;
    }
    if (keep == 0)
        return valid;
    return std::string(ellipsis) + valid.substr(keep);
}

} // namespace velmora
