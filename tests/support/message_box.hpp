#pragma once
// Finds and reads the message boxes of another process, and answers them.
// Used in-process by the black-box tests and by the msgbox-probe tool.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::test {

enum class MessageBoxIcon { none, error, warning, information, question, unknown };

std::string_view icon_name(MessageBoxIcon icon);

struct MessageBoxButton {
    std::string text;
    int id = 0;
};

struct MessageBoxInfo {
    HWND window = nullptr;
    DWORD process_id = 0;
    std::string caption;
    std::string text;
    std::vector<MessageBoxButton> buttons; // visible ones, in z-order
    MessageBoxIcon icon = MessageBoxIcon::none;
    bool has_owner = false;
};

// Visible top-level dialogs (class "#32770") of the process (0: any process)
// whose caption is `caption` (empty: any caption).
std::vector<HWND> message_box_windows(DWORD process_id, std::string_view caption);

// Reads a dialog's caption, text, buttons, icon and owner.
MessageBoxInfo read_message_box(HWND dialog);

// Polls every 50 ms until such a dialog exists, then reads it.
std::optional<MessageBoxInfo> wait_for_message_box(DWORD process_id, std::string_view caption,
                                                   std::chrono::milliseconds timeout);

// Clicks the button with this id; without such a button, sends WM_COMMAND
// with the id as a keyboard answer would.
void answer_message_box(HWND dialog, int button_id = IDOK);

// Visible or not, the top-level windows of the process with this class name.
std::vector<HWND> top_level_windows(DWORD process_id, std::string_view class_name);

std::string window_text_of(HWND window);

// What the screen shows inside the window's rectangle, top row first, as
// 0x00RRGGBB; empty when it cannot be read. Needs the window uncovered.
std::vector<std::uint32_t> screen_pixels_of(HWND window);
std::string class_name_of(HWND window);

} // namespace velmora::test
