#include "install/download_messages.hpp"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace velmora {
namespace {

TEST(ToLowerHex, TwoLowerCaseDigitsPerByteHighHalfFirst) {
    const std::vector<std::uint8_t> bytes = {0x00, 0x0F, 0xF0, 0xAB, 0x9C, 0xFF, 0x01};
    EXPECT_EQ(to_lower_hex(bytes), "000ff0ab9cff01");
    EXPECT_EQ(to_lower_hex({}), "");
}

TEST(DigestsMatch, AsciiCaseOnlyNothingTrimmed) {
    const std::string actual = "ddaf35a193617aba";
    struct Case {
        std::string expected;
        bool match;
    };
    const std::vector<Case> cases = {
        {"ddaf35a193617aba", true},
        {"DDAF35A193617ABA", true},
        {"DdAf35A193617aBa", true},
        {" ddaf35a193617aba", false},
        {"ddaf35a193617aba ", false},
        {"ddaf35a193617aba\n", false},
        {"0xddaf35a193617aba", false},
        {"ddaf35a193617ab", false},
        {"ddaf35a193617abaa", false},
        {"ddaf35a193617abb", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(digests_match(actual, c.expected), c.match) << '"' << c.expected << '"';
    EXPECT_TRUE(digests_match("", ""));
    // Folding is on both sides; non-letters never fold onto letters.
    EXPECT_FALSE(digests_match("@[", "`{"));
}

TEST(DownloadMessages, ExactTexts) {
    struct Case {
        std::string actual;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {size_mismatch_message(99, 100), "Downloaded file has 99 bytes; expected 100."},
        {size_mismatch_message(0, 18446744073709551615ull),
         "Downloaded file has 0 bytes; expected 18446744073709551615."},
        {download_exit_message(1), "Download failed with exit code 1"},
        {download_exit_message(22), "Download failed with exit code 22"},
        {download_exit_message(0xC0000005u), "Download failed with exit code -1073741819"},
        {download_exit_message(0x80000000u), "Download failed with exit code -2147483648"},
        {download_exit_message(0xFFFFFFFFu), "Download failed with exit code -1"},
        {download_failure_message("program not found"), "Download failed: program not found"},
        {extraction_exit_message(1), "Archive extraction failed with exit code 1."},
        {extraction_exit_message(0xC0000005u),
         "Archive extraction failed with exit code -1073741819."},
        {extraction_failure_message("Access denied. (os error 5)"),
         "Archive extraction failed: Access denied. (os error 5)"},
        {std::string(integrity_failure_message), "A downloaded file failed its integrity check."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected);
}

} // namespace
} // namespace velmora
