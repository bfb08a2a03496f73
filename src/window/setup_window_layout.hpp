#pragma once
// What the setup window is made of: its size and style, its two fonts and
// its five controls, laid out for 96 DPI and scaled for other DPIs, and the
// status line each install stage shows.

#include <array>
#include <cstdint>
#include <string_view>

namespace velmora {

inline constexpr unsigned base_dpi = 96;

// WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX: no sizing
// border, no maximise box.
inline constexpr std::uint32_t setup_window_style = 0x00CA0000;
inline constexpr int setup_window_width = 530;
inline constexpr int setup_window_height = 300;

inline constexpr int setup_button_id = 1001;

struct FontStyle {
    int height; // character cell height at 96 DPI
    int weight;
};
inline constexpr FontStyle title_font_style{30, 700};
inline constexpr FontStyle body_font_style{18, 400};
inline constexpr std::string_view font_face = "Segoe UI";

enum class ControlFont { none, title, body };

struct ControlRect {
    int x, y, width, height;
    friend bool operator==(const ControlRect&, const ControlRect&) = default;
};

struct ControlLayout {
    std::string_view class_name;
    std::string_view text;
    std::uint32_t style; // WS_CHILD | WS_VISIBLE and the class's own bits
    ControlRect rect;    // client-area pixels at 96 DPI
    int id;
    ControlFont font;
};

// Indices into setup_controls, which is in creation order.
enum ControlIndex : std::size_t {
    title_label,
    description_label,
    status_label,
    progress_bar,
    setup_button,
    control_count,
};

const std::array<ControlLayout, control_count>& setup_controls();

// value * dpi / 96, rounded to the nearest pixel with halves away from zero
// (the rounding of MulDiv, so that the window agrees with the system's own
// scaling of its frame).
int scale_for_dpi(int value, unsigned dpi);
ControlRect scale_for_dpi(const ControlRect& rect, unsigned dpi);

// The status line for an install stage as the worker posts it (the raw
// message parameter); a value the window does not know reads
// working_status_text.
std::string_view stage_status_text(std::uint64_t stage);

} // namespace velmora
