#pragma once
// Conversions at the Windows edge: every text passed to Windows is UTF-16.

#include "common/text.hpp"

#include <string>
#include <string_view>

namespace velmora {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

inline std::wstring widen(std::string_view text) {
    const std::u16string wide = utf8_to_utf16(text);
    return std::wstring(wide.begin(), wide.end());
}

// Unpaired surrogates become U+FFFD.
inline std::string narrow(std::wstring_view text) {
    return utf16_to_utf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

} // namespace velmora
