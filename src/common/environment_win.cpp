#include "common/environment_win.hpp"

#include <windows.h>

namespace velmora {

std::optional<std::wstring> environment_variable(std::wstring_view name) {
    const std::wstring key(name);
    std::wstring value(64, L'\0');
    for (;;) {
        ::SetLastError(ERROR_SUCCESS);
        const DWORD size =
            ::GetEnvironmentVariableW(key.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (size == 0) {
            if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND)
                return std::nullopt;
            return std::wstring(); // present and empty
        }
        if (size < value.size()) {
            value.resize(size);
            return value;
        }
        value.resize(size); // size includes the terminating NUL here
    }
}

} // namespace velmora
