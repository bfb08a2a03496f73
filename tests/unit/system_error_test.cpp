#include "common/system_error.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace velmora {
namespace {

TEST(ComposeSystemError, TrimsTrailingWhiteSpaceOfTheSystemMessage) {
    EXPECT_EQ(compose_system_error("Access denied. \r\n", 5, 0), "Access denied. (os error 5)");
    EXPECT_EQ(compose_system_error("x\t\n", 1, 0), "x (os error 1)");
    EXPECT_EQ(compose_system_error(" lead", 1, 0), " lead (os error 1)");
}

TEST(ComposeSystemError, WithoutSystemMessage) {
    EXPECT_EQ(compose_system_error(std::nullopt, 4294967295u, 317),
              "OS Error 4294967295 (FormatMessageW() returned error 317)");
}

// Only "no such process" ends a wait for a process without waiting.
TEST(MeaningOfOpenFailure, OnlyNoSuchProcessMeansGone) {
    EXPECT_EQ(meaning_of_open_failure(87), OpenFailure::process_gone);
    for (const std::uint32_t error : {5u, 0u, 6u, 1450u})
        EXPECT_EQ(meaning_of_open_failure(error), OpenFailure::may_still_run) << error;
}

// A rename or delete that a scanner refuses for a moment is tried again with
// growing pauses for about 30 s; a lasting error, or one that outlives the
// pauses, is reported as the first attempt gave it.
TEST(RetryWhileBusy, TransientRefusalsAreWaitedOutWithinTheBound) {
    struct Case {
        std::vector<std::uint32_t> answers; // the last one repeats
        std::uint32_t result;
        std::size_t pauses;
    } const cases[] = {
        {{0}, 0, 0},
        {{5, 32, 33, 0}, 0, 3}, // access denied, sharing and lock violations, then success
        {{145, 0}, 0, 1},       // a folder whose last delete is still pending
        {{2}, 2, 0},            // not found: no retry
        {{32, 2}, 32, 1},       // the first error, unchanged
        {{5}, 5, 0},            // refused for good: reported once the pauses are spent
    };
    for (const Case& c : cases) {
        std::size_t calls = 0;
        std::vector<std::chrono::milliseconds> pauses;
        const std::uint32_t result =
            retry_while_busy([&] { return c.answers[std::min(calls++, c.answers.size() - 1)]; },
                             [&](std::chrono::milliseconds pause) { pauses.push_back(pause); });
        EXPECT_EQ(result, c.result) << c.answers.front();
        std::chrono::milliseconds waited{0};
        for (const auto pause : pauses)
            waited += pause;
        if (c.answers.size() == 1 && c.answers[0] == 5) {
            EXPECT_GE(waited, std::chrono::seconds(30));
            EXPECT_LE(waited, std::chrono::seconds(33));
            EXPECT_LE(pauses.back(), std::chrono::seconds(2));
        } else {
            EXPECT_EQ(pauses.size(), c.pauses) << c.answers.front();
        }
        EXPECT_EQ(calls, pauses.size() + 1);
    }
}

} // namespace
} // namespace velmora
