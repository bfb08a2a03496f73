#include "common/system_paths_win.hpp"

#include "common/sized_text_win.hpp"
#include "common/system_error_win.hpp"
#include "common/text_win.hpp"

#include <windows.h>

namespace velmora {

Result<std::string> temp_directory() {
    using GetTempPath2Fn = DWORD(WINAPI*)(DWORD, LPWSTR);
    // Looked up at run time: older systems (and Wine 8) lack GetTempPath2W.
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto get_temp_path2 = reinterpret_cast<GetTempPath2Fn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "GetTempPath2W")));
    // A TMP longer than the buffer: the size it needs, no error set.
    return sized_text([get_temp_path2](wchar_t* buffer, std::size_t size) {
        const auto capacity = static_cast<DWORD>(size);
        return get_temp_path2 ? get_temp_path2(capacity, buffer) : ::GetTempPathW(capacity, buffer);
    });
}

Result<std::string> own_executable_path() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return last_system_error();
        if (length < buffer.size()) {
            buffer.resize(length);
            return narrow(buffer);
        }
        if (buffer.size() >= 32768)
            return system_error(ERROR_INSUFFICIENT_BUFFER);
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace velmora
