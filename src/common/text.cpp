#include "common/text.hpp"

#include <cstdint>

namespace velmora {
namespace {

bool is_high_surrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool is_low_surrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void append_utf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

// Decodes one code point at text[i], advancing i past it. An ill-formed
// sequence yields U+FFFD and consumes its maximal valid prefix (at least one
// byte), the way the Unicode standard recommends.
char32_t decode_utf8(std::string_view text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
    const std::uint8_t lead = byte(i++);
    if (lead < 0x80)
        return lead;
    int length = 0;
    char32_t cp = 0;
    std::uint8_t low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, cp = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, cp = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0xFFFD;
    }
    for (int k = 1; k < length; ++k) {
        if (i >= text.size() || byte(i) < low || byte(i) > high)
            return 0xFFFD;
        cp = (cp << 6) | (byte(i++) & 0x3F);
        low = 0x80, high = 0xBF;
    }
    return cp;
}

// Every code point of UTF-8 bytes, ill-formed ones as U+FFFD, appended anew.
template <class Out> Out reencoded(std::string_view bytes, void (*append)(Out&, char32_t)) {
    Out out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();)
        append(out, decode_utf8(bytes, i));
    return out;
}

} // namespace

std::string utf16_to_utf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t unit = text[i];
        if (is_high_surrogate(unit) && i + 1 < text.size() && is_low_surrogate(text[i + 1])) {
            append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (is_high_surrogate(unit) || is_low_surrogate(unit)) {
            out += replacement_character;
        } else {
            append_utf8(out, unit);
        }
    }
    return out;
}

std::u16string utf8_to_utf16(std::string_view text) {
    return reencoded<std::u16string>(text, append_utf16);
}

std::string sanitize_utf8(std::string_view bytes) {
    return reencoded<std::string>(bytes, append_utf8);
}

bool is_valid_utf16(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (is_high_surrogate(text[i]) && i + 1 < text.size() && is_low_surrogate(text[i + 1]))
            ++i;
        else if (is_high_surrogate(text[i]) || is_low_surrogate(text[i]))
            return false;
    }
    return true;
}

bool ascii_iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

std::optional<std::uint64_t> parse_decimal(std::string_view text, std::uint64_t limit) {
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        // Checked per digit, so no overflow however long.
        if (digit > limit || value > (limit - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

std::optional<std::uint32_t> parse_process_id(std::string_view text) {
    if (text.starts_with('+'))
        text.remove_prefix(1);
    const auto value = parse_decimal(text, UINT32_MAX);
    if (!value)
        return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

std::optional<std::uint32_t> parse_written_process_id(std::string_view text) {
    const auto id = parse_process_id(text);
    if (!id || std::to_string(*id) != text)
        return std::nullopt;
    return id;
}

} // namespace velmora
