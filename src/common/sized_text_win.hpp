#pragma once
// Win32 calls that fill a caller's buffer with a text or, when it is too
// small, return the size they need (the terminating NUL included) without
// setting an error: GetFullPathNameW, GetTempPathW, GetShortPathNameW,
// GetSystemDirectoryW and their kind.

#include "common/setup_error.hpp"
#include "common/system_error_win.hpp"
#include "common/text_win.hpp"

#include <windows.h>

#include <string>

namespace velmora {

// Calls `fill(buffer, size)` with a buffer that grows to the size it names
// until the text fits; 0 is the call's failure, read from GetLastError.
template <class Fill> Result<std::string> sized_text(Fill fill) {
    std::wstring buffer(MAX_PATH + 1, L'\0');
    for (;;) {
        const auto length = static_cast<std::size_t>(fill(buffer.data(), buffer.size()));
        if (length == 0)
            return last_system_error();
        if (length < buffer.size()) {
            buffer.resize(length);
            return narrow(buffer);
        }
        buffer.resize(length);
    }
}

} // namespace velmora
