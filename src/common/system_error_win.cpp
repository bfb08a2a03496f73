#include "common/system_error_win.hpp"

#include "common/handle_win.hpp"
#include "common/system_error.hpp"
#include "common/text_win.hpp"

namespace velmora {

SetupError system_error(DWORD code) {
    UniqueLocalText buffer;
    const DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD length = ::FormatMessageW(flags, nullptr, code, 0,
                                          reinterpret_cast<wchar_t*>(buffer.put()), 0, nullptr);
    if (length == 0) {
        const DWORD lookup_error = ::GetLastError();
        return SetupError{compose_system_error(std::nullopt, code, lookup_error)};
    }
    return SetupError{
        compose_system_error(narrow(std::wstring_view(buffer.get(), length)), code, 0)};
}

SetupError last_system_error() {
    return system_error(::GetLastError());
}

SetupError ntstatus_error(LONG status) {
    // The system's message table is keyed by Win32 codes, so translate first
    // where ntdll offers the mapping.
    using Translate = ULONG(WINAPI*)(LONG);
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const auto translate = reinterpret_cast<Translate>(
        reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlNtStatusToDosError")));
    return system_error(translate ? translate(status) : static_cast<DWORD>(status));
}

} // namespace velmora
