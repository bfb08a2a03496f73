#include "window/setup_window_layout.hpp"

#include "common/texts.hpp"

#include <cstdint>

namespace velmora {
namespace {

constexpr std::uint32_t child_visible = 0x50000000;    // WS_CHILD | WS_VISIBLE
constexpr std::uint32_t progress_marquee = 0x00000008; // PBS_MARQUEE
constexpr std::uint32_t default_push_button_tab_stop =
    0x00010000 | 0x0001; // WS_TABSTOP | BS_DEFPUSHBUTTON

} // namespace

const std::array<ControlLayout, control_count>& setup_controls() {
    // The title sits 2 pixels further left and is 10 pixels narrower than
    // the rows below it.
    static const std::array<ControlLayout, control_count> controls = {{
        {"STATIC", window_title_text, child_visible, {34, 28, 430, 42}, 0, ControlFont::title},
        {"STATIC", window_description_text, child_visible, {36, 76, 440, 26}, 0, ControlFont::body},
        {"STATIC", ready_status_text, child_visible, {36, 130, 440, 28}, 0, ControlFont::body},
        {"msctls_progress32",
         "",
         child_visible | progress_marquee,
         {36, 166, 440, 10},
         0,
         ControlFont::none},
        {"BUTTON",
         install_button_text,
         child_visible | default_push_button_tab_stop,
         {346, 202, 130, 42},
         setup_button_id,
         ControlFont::body},
    }};
    return controls;
}

int scale_for_dpi(int value, unsigned dpi) {
    const std::int64_t product = static_cast<std::int64_t>(value) * dpi;
    const std::int64_t half = base_dpi / 2;
    return static_cast<int>(product >= 0 ? (product + half) / base_dpi
                                         : -((-product + half) / base_dpi));
}

ControlRect scale_for_dpi(const ControlRect& rect, unsigned dpi) {
    return {scale_for_dpi(rect.x, dpi), scale_for_dpi(rect.y, dpi), scale_for_dpi(rect.width, dpi),
            scale_for_dpi(rect.height, dpi)};
}

std::string_view stage_status_text(std::uint64_t stage) {
    if (stage >= 1 && stage <= stage_status_texts.size())
        return stage_status_texts[stage - 1];
    return working_status_text;
}

} // namespace velmora
