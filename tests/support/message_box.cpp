#include "support/message_box.hpp"

#include "common/text_win.hpp"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <limits>
#include <thread>

// How the icon is recognised. A message box shows its icon in a static control
// with the SS_ICON style (id 20 on Windows, 0x440 under Wine 8); a box without
// icon has no such control or one whose STM_GETICON answer is null. The icon
// handle is of no use from another process: standard icons are loaded per
// process, so the handle values differ between processes, and GetIconInfo on
// a foreign handle fails (ERROR_INVALID_CURSOR_HANDLE under Wine 8). What is
// shared is the screen: the control's pixels are copied from the screen and
// compared with each standard icon drawn here on the same background. Under
// Wine 8 the matching icon gives a difference of exactly 0 and the others
// differ in thousands of channel values, so the best match must be near-exact.
// This needs the box to be on screen and uncovered, as a fresh message box is.

namespace velmora::test {
namespace {

// Long enough for a loaded machine; a hung window still ends the wait at once.
constexpr auto message_timeout_ms = 10000;

LRESULT send_with_timeout(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG,
                               message_timeout_ms, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

void for_each_top_level(const std::function<void(HWND)>& visit) {
    ::EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            (*reinterpret_cast<const std::function<void(HWND)>*>(context))(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&visit));
}

std::vector<HWND> children_of(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

bool is_icon_static(HWND control) {
    return class_name_of(control) == "Static" &&
           (::GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

// Top-down 32-bit pixels of a w x h DIB filled by `paint`.
std::vector<std::uint32_t> pixels(int width, int height, const std::function<void(HDC)>& paint) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC memory = ::CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<std::uint32_t> result;
    if (bitmap && bits) {
        const HGDIOBJ old = ::SelectObject(memory, bitmap);
        paint(memory);
        ::GdiFlush();
        const auto* first = static_cast<const std::uint32_t*>(bits);
        result.assign(first, first + width * height);
        ::SelectObject(memory, old);
        ::DeleteObject(bitmap);
    }
    ::DeleteDC(memory);
    return result;
}

long difference(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    if (a.size() != b.size() || a.empty())
        return std::numeric_limits<long>::max();
    long sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            sum += std::abs(static_cast<int>((a[i] >> shift) & 0xFF) -
                            static_cast<int>((b[i] >> shift) & 0xFF));
    return sum;
}

MessageBoxIcon match_icon_on_screen(HWND control) {
    RECT rect;
    ::GetWindowRect(control, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const auto shown = screen_pixels_of(control);
    if (shown.empty())
        return MessageBoxIcon::unknown;
    const struct {
        LPCWSTR id;
        MessageBoxIcon icon;
    } candidates[] = {{IDI_HAND, MessageBoxIcon::error},
                      {IDI_EXCLAMATION, MessageBoxIcon::warning},
                      {IDI_ASTERISK, MessageBoxIcon::information},
                      {IDI_QUESTION, MessageBoxIcon::question}};
    // The corner pixel is background: every standard icon is round or
    // triangular and leaves its corners transparent.
    const std::uint32_t background = shown.front();
    MessageBoxIcon best = MessageBoxIcon::unknown;
    long best_difference = std::numeric_limits<long>::max();
    for (const auto& candidate : candidates) {
        const HICON icon = ::LoadIconW(nullptr, candidate.id);
        const auto drawn = pixels(width, height, [&](HDC memory) {
            const HBRUSH brush = ::CreateSolidBrush(
                RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF));
            const RECT all{0, 0, width, height};
            ::FillRect(memory, &all, brush);
            ::DeleteObject(brush);
            ::DrawIconEx(memory, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
        });
        const long d = difference(shown, drawn);
        if (d < best_difference) {
            best_difference = d;
            best = candidate.icon;
        }
    }
    // Near-exact: at most one unit per channel on average.
    return best_difference <= 3L * width * height ? best : MessageBoxIcon::unknown;
}

// A box is visible before it has painted, and a loaded machine may take a
// while to paint it, so the screen is read again until an icon matches.
MessageBoxIcon recognise_icon(HWND control) {
    if (!send_with_timeout(control, STM_GETICON, 0, 0))
        return MessageBoxIcon::none;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        const MessageBoxIcon icon = match_icon_on_screen(control);
        if (icon != MessageBoxIcon::unknown || std::chrono::steady_clock::now() >= deadline)
            return icon;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

} // namespace

std::string_view icon_name(MessageBoxIcon icon) {
    switch (icon) {
    case MessageBoxIcon::none:
        return "none";
    case MessageBoxIcon::error:
        return "error";
    case MessageBoxIcon::warning:
        return "warning";
    case MessageBoxIcon::information:
        return "information";
    case MessageBoxIcon::question:
        return "question";
    case MessageBoxIcon::unknown:
        break;
    }
    return "unknown";
}

std::string window_text_of(HWND window) {
    const auto length = send_with_timeout(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const auto copied =
        send_with_timeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return narrow(text);
}

std::string class_name_of(HWND window) {
    wchar_t name[256];
    const int length = ::GetClassNameW(window, name, 256);
    return narrow(std::wstring_view(name, length > 0 ? length : 0));
}

std::vector<HWND> top_level_windows(DWORD process_id, std::string_view class_name) {
    std::vector<HWND> found;
    for_each_top_level([&](HWND window) {
        DWORD owner_process = 0;
        ::GetWindowThreadProcessId(window, &owner_process);
        if ((process_id == 0 || owner_process == process_id) && class_name_of(window) == class_name)
            found.push_back(window);
    });
    return found;
}

std::vector<std::uint32_t> screen_pixels_of(HWND window) {
    RECT rect;
    ::GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return {};
    return pixels(width, height, [&](HDC memory) {
        const HDC screen = ::GetDC(nullptr);
        ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        ::ReleaseDC(nullptr, screen);
    });
}

std::vector<HWND> message_box_windows(DWORD process_id, std::string_view caption) {
    std::vector<HWND> found;
    for (HWND dialog : top_level_windows(process_id, "#32770"))
        if (::IsWindowVisible(dialog) && (caption.empty() || window_text_of(dialog) == caption))
            found.push_back(dialog);
    return found;
}

MessageBoxInfo read_message_box(HWND dialog) {
    MessageBoxInfo info;
    info.window = dialog;
    ::GetWindowThreadProcessId(dialog, &info.process_id);
    info.caption = window_text_of(dialog);
    info.has_owner = ::GetWindow(dialog, GW_OWNER) != nullptr;
    for (HWND child : children_of(dialog)) {
        if (!::IsWindowVisible(child))
            continue;
        const std::string kind = class_name_of(child);
        if (kind == "Button") {
            info.buttons.push_back({window_text_of(child), ::GetDlgCtrlID(child)});
        } else if (is_icon_static(child)) {
            info.icon = recognise_icon(child);
        } else if (kind == "Static" && (info.text.empty() || ::GetDlgCtrlID(child) == 0xFFFF)) {
            info.text = window_text_of(child); // the message has id 0xFFFF on both systems
        }
    }
    return info;
}

std::optional<MessageBoxInfo> wait_for_message_box(DWORD process_id, std::string_view caption,
                                                   std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (const auto found = message_box_windows(process_id, caption); !found.empty())
            return read_message_box(found.front());
        if (std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void answer_message_box(HWND dialog, int button_id) {
    const HWND button = ::GetDlgItem(dialog, button_id);
    if (button && class_name_of(button) == "Button")
        ::PostMessageW(button, BM_CLICK, 0, 0);
    else
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button_id, BN_CLICKED), 0);
}

} // namespace velmora::test
