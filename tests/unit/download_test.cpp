#include "install/download.hpp"
#include "install/extract.hpp"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace velmora {
namespace {

std::string exit_message(std::uint32_t code, const FailureTexts& texts) {
    return outcome_status(ToolExited{code}, texts).error().message;
}

std::string failure_message(std::string_view reason, const FailureTexts& texts) {
    return outcome_status(ToolFailed{SetupError{std::string(reason)}}, texts).error().message;
}

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

TEST(ToolFailureTexts, ExactTexts) {
    struct Case {
        std::string actual;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {size_mismatch_message(99, 100), "Downloaded file has 99 bytes; expected 100."},
        {size_mismatch_message(0, 18446744073709551615ull),
         "Downloaded file has 0 bytes; expected 18446744073709551615."},
        {exit_message(1, download_failure_texts), "Download failed with exit code 1"},
        {exit_message(22, download_failure_texts), "Download failed with exit code 22"},
        {exit_message(0xC0000005u, download_failure_texts),
         "Download failed with exit code -1073741819"},
        {exit_message(0x80000000u, download_failure_texts),
         "Download failed with exit code -2147483648"},
        {exit_message(0xFFFFFFFFu, download_failure_texts), "Download failed with exit code -1"},
        {failure_message("program not found", download_failure_texts),
         "Download failed: program not found"},
        {exit_message(1, extraction_failure_texts), "Archive extraction failed with exit code 1."},
        {exit_message(0xC0000005u, extraction_failure_texts),
         "Archive extraction failed with exit code -1073741819."},
        {failure_message("Access denied. (os error 5)", extraction_failure_texts),
         "Archive extraction failed: Access denied. (os error 5)"},
        {std::string(integrity_failure_message), "A downloaded file failed its integrity check."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected);
}

// Whatever characters they hold, the destination and the URL reach curl
// unchanged as its last two arguments, and the arguments before them are the
// same for every download.
TEST(CurlArguments, CurlGetsTheDestinationAndUrlUnchangedAsItsLastTwoArguments) {
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\Users\\O'Brien [x]\\$(calc) `a`;b\\f\xC3\xA9.zip", "https://host/a b?q=1"},
        {"--output", "--fail"},
        {"C:\\dir with \"quotes\" and a trailing backslash\\", "https://h/it's%20\xE2\x80\xA6"},
        {"", ""},
    };
    const auto leading = [](std::vector<std::string> arguments) {
        arguments.resize(arguments.size() - 2);
        return arguments;
    };
    const auto first = curl_arguments(cases[0].second, cases[0].first);
    for (const auto& [destination, url] : cases) {
        const auto arguments = curl_arguments(url, destination);
        ASSERT_GE(arguments.size(), 2u) << url;
        EXPECT_EQ(arguments[arguments.size() - 2], destination);
        EXPECT_EQ(arguments.back(), url);
        EXPECT_EQ(leading(arguments), leading(first)) << url;
    }
}

TEST(WebRequestCommand, QuotesEveryValueLiterally) {
    struct Case {
        std::string actual;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {web_request_command("https://h/x.zip", "C:\\w\\x.zip"),
         "$ErrorActionPreference='Stop'; Invoke-WebRequest -UseBasicParsing -Uri "
         "'https://h/x.zip' -OutFile 'C:\\w\\x.zip'"},
        {web_request_command("https://h/it's", "C:\\O'Brien\\''$(x)`;[a].zip"),
         "$ErrorActionPreference='Stop'; Invoke-WebRequest -UseBasicParsing -Uri "
         "'https://h/it''s' -OutFile 'C:\\O''Brien\\''''$(x)`;[a].zip'"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected);
}

} // namespace
} // namespace velmora
