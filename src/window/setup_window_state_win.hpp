#pragma once
// The one setup window's state, its window procedure, and its controls laid
// out for the DPI it is shown at.

#include "window/setup_window_layout.hpp"
#include "window/setup_window_win.hpp"

#include <windows.h>

#include <array>
#include <atomic>

namespace velmora {

// Lives in run_setup_window for as long as the window; the window procedure
// finds it through GWLP_USERDATA. Only the window's thread touches it; the
// install worker only posts messages.
struct SetupWindowState {
    HWND window = nullptr;
    std::array<HWND, control_count> controls{};
    std::atomic<bool> busy{false}; // an install worker is running
    bool installed = false;        // never cleared once set
    unsigned dpi = base_dpi;
    ShowError show_error = nullptr;

    HWND control(ControlIndex index) const { return controls[index]; }
};

LRESULT CALLBACK setup_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Creates the five controls with their fonts, positioned for state.dpi.
void create_setup_controls(SetupWindowState& state);
// Moves the controls and sets their fonts for a new state.dpi.
void lay_out_setup_controls(SetupWindowState& state);

// GetDpiForWindow where the system has it (looked up at run time, since
// systems before Windows 10 1607 lack it); 96 otherwise, which is what a
// program that is not DPI aware is shown at.
unsigned window_dpi(HWND window);

} // namespace velmora
