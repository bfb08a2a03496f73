// UTF-8 and UTF-16 conversions meet every path and argument. Any bytes, read
// as UTF-8 or as UTF-16 units, must convert without a fault; the output is
// always well formed, and well-formed input survives the round trip.

#include "common/text.hpp"
#include "fuzz_check.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {
namespace {

// UTF-8 by the table of well-formed byte sequences in the Unicode standard,
// written apart from the converter under test so that the two cannot share a
// mistake. At text[i]: how many bytes form a sequence or, when none does, the
// maximal subpart that one replacement character stands for (at least 1).
struct Sequence {
    std::size_t length;
    bool well_formed;
};

Sequence sequence_at(std::string_view text, std::size_t i) {
    const unsigned lead = static_cast<unsigned char>(text[i]);
    if (lead <= 0x7F)
        return {1, true};
    std::size_t length = 0;
    unsigned low = 0x80, high = 0xBF; // bounds of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {1, false};
    }
    for (std::size_t k = 1; k < length; ++k) {
        const std::size_t at = i + k;
        if (at >= text.size() || static_cast<unsigned char>(text[at]) < low ||
            static_cast<unsigned char>(text[at]) > high)
            return {k, false};
        low = 0x80, high = 0xBF;
    }
    return {length, true};
}

bool is_well_formed_utf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const Sequence sequence = sequence_at(text, i);
        if (!sequence.well_formed)
            return false;
        i += sequence.length;
    }
    return true;
}

// Each maximal subpart of an ill-formed sequence becomes one U+FFFD.
std::string reference_sanitize(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const Sequence sequence = sequence_at(text, i);
        if (sequence.well_formed)
            out += text.substr(i, sequence.length);
        else
            out += replacement_character;
        i += sequence.length;
    }
    return out;
}

void check_utf8_input(std::string_view bytes) {
    const std::string clean = sanitize_utf8(bytes);
    require(clean == reference_sanitize(bytes), "each ill-formed subpart becomes U+FFFD");
    require(is_well_formed_utf8(clean), "sanitized text is well-formed UTF-8");
    require(sanitize_utf8(clean) == clean, "sanitizing twice changes nothing more");
    const bool valid = is_well_formed_utf8(bytes);
    require(valid == (clean == bytes), "only ill-formed text is changed by sanitizing");

    const std::u16string wide = utf8_to_utf16(bytes);
    require(is_valid_utf16(wide), "UTF-16 from any bytes has no unpaired surrogate");
    require(utf16_to_utf8(wide) == clean, "UTF-16 from bytes holds the sanitized text");
}

void check_utf16_input(std::u16string_view units) {
    const std::string narrow = utf16_to_utf8(units);
    require(is_well_formed_utf8(narrow), "UTF-8 from any units is well formed");
    const std::u16string back = utf8_to_utf16(narrow);
    require(is_valid_utf16(back), "a round trip leaves no unpaired surrogate");
    if (is_valid_utf16(units))
        require(back == units, "valid UTF-16 survives a round trip");
    else
        require(back.size() == units.size() && back != units, "each unpaired unit is replaced");
}

} // namespace
} // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    check_utf8_input(std::string_view(reinterpret_cast<const char*>(data), size));

    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    check_utf16_input(units);
    return 0;
}
