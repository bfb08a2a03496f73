#include "common/system_error_win.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(SystemError, SystemMessageThenCodeWithoutTrailingWhiteSpace) {
    const SetupError error = system_error(ERROR_FILE_NOT_FOUND);
    const std::string suffix = " (os error 2)";
    ASSERT_GT(error.message.size(), suffix.size());
    EXPECT_EQ(error.message.substr(error.message.size() - suffix.size()), suffix);
    const char before = error.message[error.message.size() - suffix.size() - 1];
    EXPECT_NE(before, ' ');
    EXPECT_NE(before, '\n');
    EXPECT_EQ(error.message.find('\r'), std::string::npos);
}

TEST(SystemError, CodeWithoutMessageNamesTheLookupError) {
    const SetupError error = system_error(0x2FFFFFFF);
    EXPECT_EQ(error.message.rfind("OS Error 805306367 (FormatMessageW() returned error ", 0), 0u)
        << error.message;
    EXPECT_EQ(error.message.back(), ')');
}

} // namespace
} // namespace velmora
