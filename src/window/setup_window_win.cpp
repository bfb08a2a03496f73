#include "window/setup_window_win.hpp"

#include "common/text_win.hpp"
#include "common/texts.hpp"
#include "window/setup_window_state_win.hpp"

#include <commctrl.h>
#include <windows.h>

namespace velmora {
namespace {

static_assert(setup_window_style == (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));

bool register_window_class(HINSTANCE instance, const std::wstring& class_name) {
    WNDCLASSW window_class{};
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = setup_window_proc;
    window_class.hInstance = instance;
    window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    window_class.lpszClassName = class_name.c_str();
    return ::RegisterClassW(&window_class) != 0;
}

// Dialog-key handling gives the keyboard to the window as a dialog has it:
// Enter presses the default button, Space the focused one, Tab moves the
// focus among the tab stops. Alt+F4 passes through to the default handling.
void run_message_loop(HWND window) {
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (::IsDialogMessageW(window, &message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

} // namespace

Status run_setup_window(ShowError show_error) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);

    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    const std::wstring class_name = widen(window_class_name);
    if (!register_window_class(instance, class_name))
        return SetupError{std::string(class_registration_failed_message)};

    SetupWindowState state;
    state.show_error = show_error;
    const HWND window = ::CreateWindowExW(
        0, class_name.c_str(), widen(setup_title).c_str(), setup_window_style, CW_USEDEFAULT,
        CW_USEDEFAULT, setup_window_width, setup_window_height, nullptr, nullptr, instance, &state);
    if (!window)
        return SetupError{std::string(window_creation_failed_message)};
    ::ShowWindow(window, SW_SHOW);
    ::UpdateWindow(window);
    run_message_loop(window);
    return {};
}

bool bring_setup_window_to_front() {
    const HWND window = ::FindWindowW(widen(window_class_name).c_str(), nullptr);
    if (!window)
        return false;
    if (::IsIconic(window))
        ::ShowWindow(window, SW_RESTORE);
    // A program the user has just started may take the foreground.
    ::SetForegroundWindow(window);
    return true;
}

} // namespace velmora
