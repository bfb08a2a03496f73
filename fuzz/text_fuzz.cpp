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

// Well-formed UTF-8 by the table of the Unicode standard, written apart from
// the converter under test so that the two cannot share a mistake.
bool is_well_formed_utf8(std::string_view text) {
    std::size_t i = 0;
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const auto in = [&](std::size_t k, unsigned lo, unsigned hi) {
        return k < text.size() && at(k) >= lo && at(k) <= hi;
    };
    while (i < text.size()) {
        const unsigned b = at(i);
        if (b <= 0x7F) {
            i += 1;
        } else if (b >= 0xC2 && b <= 0xDF && in(i + 1, 0x80, 0xBF)) {
            i += 2;
        } else if (b >= 0xE0 && b <= 0xEF &&
                   in(i + 1, b == 0xE0 ? 0xA0 : 0x80, b == 0xED ? 0x9F : 0xBF) &&
                   in(i + 2, 0x80, 0xBF)) {
            i += 3;
        } else if (b >= 0xF0 && b <= 0xF4 &&
                   in(i + 1, b == 0xF0 ? 0x90 : 0x80, b == 0xF4 ? 0x8F : 0xBF) &&
                   in(i + 2, 0x80, 0xBF) && in(i + 3, 0x80, 0xBF)) {
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

void check_utf8_input(std::string_view bytes) {
    const std::string clean = sanitize_utf8(bytes);
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
