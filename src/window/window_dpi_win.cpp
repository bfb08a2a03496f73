#include "window/window_dpi_win.hpp"

#include "window/setup_window_layout.hpp"

namespace velmora {
namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

GetDpiForWindowFunction get_dpi_for_window() {
    static const GetDpiForWindowFunction function = [] {
        const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
        const FARPROC address = user32 ? ::GetProcAddress(user32, "GetDpiForWindow") : nullptr;
        // Through void* so that the function-type cast does not warn.
        return reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(address));
    }();
    return function;
}

} // namespace

unsigned window_dpi(HWND window) {
    if (const auto function = get_dpi_for_window()) {
        if (const UINT dpi = function(window))
            return dpi;
    }
    return base_dpi;
}

} // namespace velmora
