#include "support/window_driver.hpp"

#include "common/command_line.hpp"
#include "common/text_win.hpp"
#include "support/harness.hpp"
#include "support/message_box.hpp"

#include <thread>

namespace velmora::test {
namespace {

RECT client_rect_of_child(HWND child) {
    RECT rect{};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

} // namespace

std::vector<HWND> top_windows(DWORD process_id, std::string_view class_name,
                              std::string_view title) {
    std::vector<HWND> found;
    for (HWND window : top_level_windows(process_id, class_name)) {
        if (window_text_of(window) == title)
            found.push_back(window);
    }
    return found;
}

HWND wait_for_top_window(DWORD process_id, std::string_view class_name, std::string_view title,
                         std::chrono::milliseconds timeout) {
    HWND found = nullptr;
    wait_until(
        [&] {
            const auto windows = top_windows(process_id, class_name, title);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr;
        },
        timeout);
    return found;
}

std::vector<ControlInfo> child_controls(HWND parent) {
    std::vector<ControlInfo> controls;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        ControlInfo info;
        info.handle = child;
        info.class_name = class_name_of(child);
        info.text = window_text_of(child);
        info.style = static_cast<std::uint32_t>(::GetWindowLongW(child, GWL_STYLE));
        info.ex_style = static_cast<std::uint32_t>(::GetWindowLongW(child, GWL_EXSTYLE));
        info.id = ::GetDlgCtrlID(child);
        info.rect = client_rect_of_child(child);
        info.enabled = ::IsWindowEnabled(child) != FALSE;
        controls.push_back(std::move(info));
    }
    return controls;
}

HWND find_child(HWND parent, std::string_view class_name, std::string_view text) {
    for (const ControlInfo& control : child_controls(parent)) {
        if (control.class_name == class_name && control.text == text)
            return control.handle;
    }
    return nullptr;
}

SIZE window_size(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

void press_button(HWND button) {
    ::PostMessageW(button, BM_CLICK, 0, 0);
}

void post_command(HWND window, int control_id) {
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(control_id, BN_CLICKED), 0);
}

void post_close(HWND window) {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
}

HWND focus_of(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

void type_key(WORD virtual_key, bool with_alt) {
    std::vector<INPUT> inputs;
    const auto add = [&](WORD key, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    if (with_alt)
        add(VK_MENU, 0);
    add(virtual_key, 0);
    add(virtual_key, KEYEVENTF_KEYUP);
    if (with_alt)
        add(VK_MENU, KEYEVENTF_KEYUP);
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool wait_until(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(50ms);
    }
}

void save_screenshot(const std::string& linux_path) {
    // Wine starts Linux programs through CreateProcessW. setsid -f leaves at
    // once and runs the grab detached: a Linux child that this process waits
    // for has been seen to take the test process down later. The grab writes
    // under another name and is renamed when complete, so the file appearing
    // means the grab has ended; an earlier run's file is removed first, or the
    // wait would end at once while the grab still runs.
    const std::string windows_path = "Z:" + linux_path;
    ::DeleteFileW(widen(windows_path).c_str());
    const auto command_line = build_command_line(
        "/usr/bin/setsid",
        {"-f", "/bin/sh", "-c", R"(import -window root "$1.part.png" && mv "$1.part.png" "$1")",
         "sh", linux_path});
    if (!command_line)
        return;
    std::wstring command = widen(*command_line);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process))
        return;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    wait_until([&] { return exists(windows_path); }, 10s);
}

} // namespace velmora::test
