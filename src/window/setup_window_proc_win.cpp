// The setup window's message handling: the button, the install worker's
// posts, and the DPI the window is shown at.
#include "common/system_error.hpp"
#include "common/text_win.hpp"
#include "common/texts.hpp"
#include "install/install_sequence_win.hpp"
#include "launch/launch_game_win.hpp"
#include "window/setup_window_state_win.hpp"

#include <commctrl.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

namespace velmora {
namespace {

constexpr UINT install_succeeded_message = WM_APP + 1; // 0x8001
constexpr UINT install_failed_message = WM_APP + 2;    // 0x8002
constexpr UINT install_stage_message = WM_APP + 3;     // 0x8003

// The install worker's reports, posted to the window. A failure's message
// waits in the slot until the window takes it. Lives as long as the process,
// since a worker may outlive the window.
class WindowProgress final : public ProgressSink {
  public:
    void attach(HWND window) { window_.store(window); }
    void stage_begun(ProgressStage stage) override {
        post(install_stage_message, static_cast<WPARAM>(stage));
    }
    void install_ended(const Status& outcome) override {
        if (!outcome) {
            const std::lock_guard guard(lock_);
            failure_ = outcome.error().message;
        }
        post(outcome ? install_succeeded_message : install_failed_message, 0);
    }
    std::optional<std::string> take_failure() {
        const std::lock_guard guard(lock_);
        return std::exchange(failure_, std::nullopt);
    }

  private:
    void post(UINT message, WPARAM wparam) {
        if (const HWND window = window_.load())
            ::PostMessageW(window, message, wparam, 0);
    }

    std::atomic<HWND> window_{nullptr};
    std::mutex lock_;
    std::optional<std::string> failure_;
};

WindowProgress& window_progress() {
    static WindowProgress progress;
    return progress;
}

void set_text(HWND control, std::string_view text) {
    ::SetWindowTextW(control, widen(text).c_str());
}

void set_marquee(const SetupWindowState& state, bool running) {
    ::SendMessageW(state.control(progress_bar), PBM_SETMARQUEE, running ? TRUE : FALSE,
                   running ? 35 : 0);
}

// The button holds the keyboard focus whenever it can take input, so that
// Enter and Space press it. Before it is disabled the focus goes to the
// window, which keeps Alt+F4 working; it comes back when the button is
// enabled while the window is still the focus (otherwise WM_SETFOCUS brings
// it back on the next activation).
void disable_button(const SetupWindowState& state) {
    if (::GetFocus() == state.control(setup_button))
        ::SetFocus(state.window);
    ::EnableWindow(state.control(setup_button), FALSE);
}

void enable_button(const SetupWindowState& state) {
    ::EnableWindow(state.control(setup_button), TRUE);
    if (::GetFocus() == state.window)
        ::SetFocus(state.control(setup_button));
}

void on_focus(const SetupWindowState& state) {
    if (::IsWindowEnabled(state.control(setup_button)))
        ::SetFocus(state.control(setup_button));
}

void enter_failed_state(SetupWindowState& state) {
    state.busy = false;
    set_marquee(state, false);
    set_text(state.control(status_label), failed_status_text);
    enable_button(state);
}

// The worker runs detached: nobody joins it, and the process ends without
// waiting for it when the window goes.
std::optional<std::string> start_install_worker() {
    try {
        std::thread([] { run_install_worker(window_progress()); }).detach();
        return std::nullopt;
    } catch (const std::system_error& error) {
        return compose_system_error(error.code().message(),
                                    static_cast<std::uint32_t>(error.code().value()), 0);
    }
}

void on_install_pressed(SetupWindowState& state) {
    if (state.busy.exchange(true))
        return;
    disable_button(state);
    set_marquee(state, true);
    if (auto failure = start_install_worker()) {
        // A worker that never started ends like one that failed.
        enter_failed_state(state);
        state.show_error(*failure);
    }
}

void on_button(SetupWindowState& state) {
    if (!state.installed) {
        on_install_pressed(state);
        return;
    }
    if (auto launched = launch_game(); !launched) {
        state.show_error(launched.error().message);
        return;
    }
    ::DestroyWindow(state.window);
}

void on_install_succeeded(SetupWindowState& state) {
    state.installed = true;
    state.busy = false;
    set_marquee(state, false);
    set_text(state.control(status_label), installed_status_text);
    set_text(state.control(setup_button), launch_button_text);
    enable_button(state);
}

// The message leaves the slot under its lock and the box is shown without it:
// the box has no owner and Install stays enabled, so a later worker must be
// able to store its own failure while this box is still open.
void on_install_failed(SetupWindowState& state) {
    enter_failed_state(state);
    if (const auto message = window_progress().take_failure())
        state.show_error(*message);
}

void on_dpi_changed(SetupWindowState& state, WPARAM wparam, const RECT& suggested) {
    state.dpi = LOWORD(wparam);
    ::SetWindowPos(state.window, nullptr, suggested.left, suggested.top,
                   suggested.right - suggested.left, suggested.bottom - suggested.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    lay_out_setup_controls(state);
}

void on_create(SetupWindowState& state) {
    window_progress().attach(state.window);
    state.dpi = window_dpi(state.window);
    if (state.dpi != base_dpi) {
        ::SetWindowPos(state.window, nullptr, 0, 0, scale_for_dpi(setup_window_width, state.dpi),
                       scale_for_dpi(setup_window_height, state.dpi),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    create_setup_controls(state);
}

// Labels paint on the window's own background rather than the dialog colour,
// and in its text colour, so that dark and high-contrast schemes stay legible.
LRESULT on_static_colour(HDC context) {
    ::SetTextColor(context, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(context, ::GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
}

SetupWindowState* state_of(HWND window, UINT message, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* state = static_cast<SetupWindowState*>(
            reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        state->window = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        return state;
    }
    return reinterpret_cast<SetupWindowState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

} // namespace

LRESULT CALLBACK setup_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    SetupWindowState* state = state_of(window, message, lparam);
    if (!state)
        return ::DefWindowProcW(window, message, wparam, lparam);
    switch (message) {
    case WM_CREATE:
        on_create(*state);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wparam) == setup_button_id)
            on_button(*state);
        return 0;
    case install_stage_message:
        set_text(state->control(status_label), stage_status_text(wparam));
        return 0;
    case install_succeeded_message:
        on_install_succeeded(*state);
        return 0;
    case install_failed_message:
        on_install_failed(*state);
        return 0;
    case WM_SETFOCUS:
        on_focus(*state);
        return 0;
    case DM_GETDEFID:
        // The message loop's dialog-key handling asks which button Enter
        // presses when the focus is elsewhere.
        return MAKELRESULT(setup_button_id, DC_HASDEFID);
    case WM_CTLCOLORSTATIC:
        return on_static_colour(reinterpret_cast<HDC>(wparam));
    case WM_DPICHANGED:
        on_dpi_changed(*state, wparam, *reinterpret_cast<const RECT*>(lparam));
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
}

} // namespace velmora
