#include "common/system_queries_win.hpp"

#include "common/handle_win.hpp"
#include "common/system_error_win.hpp"
#include "common/text_win.hpp"

#include <windows.h>

namespace velmora {

std::optional<std::wstring> environment_variable(std::wstring_view name) {
    const std::wstring key(name);
    ::SetLastError(ERROR_SUCCESS);
    auto value = wide_text_until_it_fits([&key](wchar_t* buffer, std::size_t size) {
        return ::GetEnvironmentVariableW(key.c_str(), buffer, static_cast<DWORD>(size));
    });
    if (value)
        return value;
    if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND)
        return std::nullopt;
    return std::wstring(); // present and empty
}

std::u16string environment_block() {
    const UniqueEnvironmentBlock block(::GetEnvironmentStringsW());
    if (!block)
        return std::u16string(2, u'\0');
    const wchar_t* end = block.get();
    while (*end || *(end + 1))
        ++end;
    return std::u16string(reinterpret_cast<const char16_t*>(block.get()), end - block.get() + 2);
}

Result<std::string> temp_directory() {
    using GetTempPath2Fn = DWORD(WINAPI*)(DWORD, LPWSTR);
    // Looked up at run time: older systems (and Wine 8) lack GetTempPath2W.
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto get_temp_path2 = reinterpret_cast<GetTempPath2Fn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "GetTempPath2W")));
    // A TMP longer than the buffer: the size it needs, no error set.
    return text_until_it_fits([get_temp_path2](wchar_t* buffer, std::size_t size) {
        const auto capacity = static_cast<DWORD>(size);
        return get_temp_path2 ? get_temp_path2(capacity, buffer) : ::GetTempPathW(capacity, buffer);
    });
}

Result<std::string> own_executable_path() {
    // GetModuleFileNameW cuts a long path short to the buffer instead of
    // naming the size it needs: ask for twice the room then, up to the
    // longest path there is.
    return text_until_it_fits([](wchar_t* buffer, std::size_t size) -> std::size_t {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(size));
        if (length == 0 || length < size)
            return length;
        if (size >= 32768) {
            ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        return size * 2;
    });
}

bool entry_exists(std::string_view path) {
    // A NUL would cut the path short and let Windows answer for another one.
    if (path.find('\0') != std::string_view::npos)
        return false;
    return ::GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void pause_for(std::chrono::milliseconds duration) {
    ::Sleep(static_cast<DWORD>(duration.count()));
}

} // namespace velmora
