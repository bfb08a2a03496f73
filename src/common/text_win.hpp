#pragma once
// Texts at the Windows edge: every text passed to Windows is UTF-16, and the
// texts Windows fills into a caller's buffer are read with one loop.

#include "common/setup_error.hpp"
#include "common/system_error_win.hpp"
#include "common/text.hpp"

#include <windows.h>

#include <optional>
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

// For the Win32 calls that fill a caller's buffer with a text and return its
// length or, when the buffer is too small, the size they need (the
// terminating NUL included) without setting an error: GetFullPathNameW,
// GetTempPathW, GetShortPathNameW, GetSystemDirectoryW,
// GetEnvironmentVariableW and their kind. Calls `fill(buffer, size)` with a
// buffer grown to the size it names until the text fits; nullopt when it
// returns 0, GetLastError then telling why.
template <class Fill> std::optional<std::wstring> wide_text_until_it_fits(Fill fill) {
    std::wstring buffer(MAX_PATH + 1, L'\0');
    for (;;) {
        const auto length = static_cast<std::size_t>(fill(buffer.data(), buffer.size()));
        if (length == 0)
            return std::nullopt;
        const bool fits = length < buffer.size();
        buffer.resize(length);
        if (fits)
            return buffer;
    }
}

// The same text in UTF-8; a return of 0 is the call's failure.
template <class Fill> Result<std::string> text_until_it_fits(Fill fill) {
    const auto text = wide_text_until_it_fits(fill);
    if (!text)
        return last_system_error();
    return narrow(*text);
}

} // namespace velmora
