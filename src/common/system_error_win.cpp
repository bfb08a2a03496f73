#include "common/system_error_win.hpp"

#include "common/system_error.hpp"
#include "common/text_win.hpp"

namespace velmora {

SetupError system_error(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD length =
        ::FormatMessageW(flags, nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0) {
        const DWORD lookup_error = ::GetLastError();
        return SetupError{compose_system_error(std::nullopt, code, lookup_error)};
    }
    const std::string message = narrow(std::wstring_view(buffer, length));
    ::LocalFree(buffer);
    return SetupError{compose_system_error(message, code, 0)};
}

SetupError last_system_error() {
    return system_error(::GetLastError());
}

} // namespace velmora
