#include "install/json_message.hpp"

#include "common/text.hpp"

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

// The "<U+XXXX>" that the parser writes for a control character.
bool is_control_echo(std::string_view text) {
    return text.size() >= 8 && text.starts_with("<U+") && text[7] == '>';
}

} // namespace

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

std::string literal_excerpt(std::string_view literal) {
    if (literal.size() <= excerpt_size)
        return std::string(literal);
    return std::string(literal.substr(0, excerpt_size)) + std::string(ellipsis);
}

std::string token_excerpt(std::string_view token) {
    const std::string valid = sanitize_utf8(token);
    std::vector<std::size_t> starts; // where each character or control echo begins
    for (std::size_t i = 0; i < valid.size();) {
        starts.push_back(i);
        const std::string_view rest = std::string_view(valid).substr(i);
        i += is_control_echo(rest) ? 8 : character_length(rest);
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
