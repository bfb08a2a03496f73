#include "common/system_error.hpp"

#include <gtest/gtest.h>

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

} // namespace
} // namespace velmora
