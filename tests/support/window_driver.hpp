#pragma once
// Drives the windows of another process from the test's side: finds a
// top-level window by class and title, reads its controls, presses buttons
// and closes windows, all through window messages. Message boxes have their
// own reader (message_box.hpp), whose text and class helpers this builds on.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::test {

using namespace std::chrono_literals;

struct ControlInfo {
    HWND handle = nullptr;
    std::string class_name;
    std::string text;
    std::uint32_t style = 0;
    std::uint32_t ex_style = 0;
    int id = 0;
    RECT rect{}; // in the parent's client coordinates
    bool enabled = false;
};

// Visible or not, every top-level window of the process with exactly this
// class and title, in z-order.
std::vector<HWND> top_windows(DWORD process_id, std::string_view class_name,
                              std::string_view title);

// Polls until such a window exists; null after the timeout.
HWND wait_for_top_window(DWORD process_id, std::string_view class_name, std::string_view title,
                         std::chrono::milliseconds timeout = 15s);

// The direct children of a window, in z-order (creation order for controls
// that nobody re-stacks).
std::vector<ControlInfo> child_controls(HWND parent);

// The control with this class whose text is `text`, or null.
HWND find_child(HWND parent, std::string_view class_name, std::string_view text);

// Outer size in pixels.
SIZE window_size(HWND window);

// Posts BM_CLICK, as a mouse click would.
void press_button(HWND button);
// Posts WM_COMMAND with the control id as a button's click would send it.
void post_command(HWND window, int control_id);
void post_close(HWND window);

// The control that has the keyboard focus in the window's thread, or null.
HWND focus_of(HWND window);
// Types one key through the system's input queue, as the keyboard would, to
// whichever window has the focus; with_alt holds Alt down around it.
void type_key(WORD virtual_key, bool with_alt = false);

// Polls the condition every 50 ms; false when it still fails after the timeout.
bool wait_until(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 15s);

// Saves the whole X screen to a PNG file (a Linux path), for a person to look
// at; best effort.
void save_screenshot(const std::string& linux_path);

} // namespace velmora::test
