#include "status_watch.hpp"

#include <gtest/gtest.h>

namespace velmora::test {
namespace {

TEST(StatusWatch, OnlyTheTwoFinalTextsEndTheInstall) {
    const struct {
        const char* status;
        InstallOutcome expected;
    } cases[] = {
        {"Installed. Ready to play.", InstallOutcome::installed},
        {"Installation failed", InstallOutcome::failed},
        {"Ready to install", InstallOutcome::running},
        {"Checking release\u2026", InstallOutcome::running},
        {"Installing launcher\u2026", InstallOutcome::running},
        {"Working\u2026", InstallOutcome::running},
        // A window that did not answer reads as empty: keep polling.
        {"", InstallOutcome::running},
        // Near misses are not final: the texts are matched exactly.
        {"Installed. Ready to play", InstallOutcome::running},
        {"installed. ready to play.", InstallOutcome::running},
        {"Installation failed.", InstallOutcome::running},
        {"Installation failed ", InstallOutcome::running},
    };
    for (const auto& c : cases)
        EXPECT_EQ(outcome_of_status(c.status), c.expected) << '"' << c.status << '"';
}

TEST(StatusWatch, TimelineKeepsEachChangeOnceWithItsFirstTime) {
    StatusTimeline timeline;
    EXPECT_EQ(timeline.latest(), "");
    const struct {
        double seconds;
        const char* text;
        bool changed;
    } notes[] = {
        {0.0, "Ready to install", true},
        {0.05, "Ready to install", false},
        {0.10, "Checking release\u2026", true},
        {0.15, "Checking release\u2026", false},
        {0.20, "", true},
        {0.25, "Checking release\u2026", true},
        {0.30, "Installed. Ready to play.", true},
    };
    for (const auto& n : notes)
        EXPECT_EQ(timeline.note(n.seconds, n.text), n.changed) << n.seconds << " s";

    ASSERT_EQ(timeline.changes().size(), 5u);
    EXPECT_DOUBLE_EQ(timeline.changes()[1].seconds, 0.10);
    EXPECT_EQ(timeline.changes()[1].text, "Checking release\u2026");
    EXPECT_DOUBLE_EQ(timeline.changes()[3].seconds, 0.25);
    EXPECT_EQ(timeline.latest(), "Installed. Ready to play.");
}

} // namespace
} // namespace velmora::test
