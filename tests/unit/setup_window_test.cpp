#include "window/setup_window_layout.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {
namespace {

TEST(StageStatusText, KnownStagesAndEverythingElse) {
    struct Case {
        std::uint64_t stage;
        std::string text;
    };
    // "\xE2\x80\xA6" is U+2026 in UTF-8: one ellipsis character, never "...".
    const std::vector<Case> cases = {
        {1, "Checking release\xE2\x80\xA6"},
        {2, "Downloading Microsoft .NET runtime\xE2\x80\xA6"},
        {3, "Installing private .NET runtime\xE2\x80\xA6"},
        {4, "Downloading Velmora launcher\xE2\x80\xA6"},
        {5, "Installing launcher\xE2\x80\xA6"},
        {0, "Working\xE2\x80\xA6"},
        {6, "Working\xE2\x80\xA6"},
        {0x100000001ull, "Working\xE2\x80\xA6"}, // 1 in the low half only
        {~std::uint64_t{0}, "Working\xE2\x80\xA6"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(stage_status_text(c.stage), c.text) << "stage " << c.stage;
}

TEST(ScaleForDpi, RoundsToNearestWithHalvesAwayFromZero) {
    struct Case {
        int value;
        unsigned dpi;
        int expected;
    };
    const std::vector<Case> cases = {
        {530, 96, 530},  {300, 96, 300}, {0, 144, 0},   {530, 120, 663}, // 662.5
        {300, 120, 375}, {42, 120, 53},  {35, 120, 44}, {10, 168, 18},   // 17.5
        {1, 144, 2},     {-1, 144, -2},  {-3, 120, -4}, {1, 48, 1},      // 0.5
        {1, 47, 0},      {18, 192, 36},  {30, 144, 45}, {346, 144, 519},
    };
    for (const Case& c : cases)
        EXPECT_EQ(scale_for_dpi(c.value, c.dpi), c.expected) << c.value << " at " << c.dpi;
}

TEST(SetupControls, ButtonRectAtCommonDpis) {
    struct Case {
        unsigned dpi;
        ControlRect button;
    };
    const std::vector<Case> cases = {
        {96, {346, 202, 130, 42}},
        {120, {433, 253, 163, 53}},
        {144, {519, 303, 195, 63}},
        {192, {692, 404, 260, 84}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(scale_for_dpi(setup_controls()[setup_button].rect, c.dpi), c.button) << c.dpi;
}

TEST(SetupControls, RowsStayInOrderWithoutOverlapAtEveryDpi) {
    const auto& controls = setup_controls();
    for (unsigned dpi : {96u, 108u, 120u, 144u, 168u, 192u, 288u}) {
        for (std::size_t i = 1; i < controls.size(); ++i) {
            const ControlRect above = scale_for_dpi(controls[i - 1].rect, dpi);
            const ControlRect below = scale_for_dpi(controls[i].rect, dpi);
            EXPECT_LE(above.y + above.height, below.y) << "row " << i << " at " << dpi;
        }
        // Everything fits inside the outer window scaled alike.
        for (const ControlLayout& control : controls) {
            const ControlRect rect = scale_for_dpi(control.rect, dpi);
            EXPECT_LT(rect.x + rect.width, scale_for_dpi(setup_window_width, dpi)) << dpi;
            EXPECT_LT(rect.y + rect.height, scale_for_dpi(setup_window_height, dpi)) << dpi;
        }
    }
}

} // namespace
} // namespace velmora
