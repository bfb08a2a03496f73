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
// unchanged as its last two arguments, after the same options for every
// download: --disable first (no .curlrc is read), and a revocation check that
// cannot be made (a TLS-inspecting proxy's root) does not fail the download.
TEST(CurlArguments, CurlGetsTheDestinationAndUrlUnchangedAsItsLastTwoArguments) {
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\Users\\O'Brien [x]\\$(calc) `a`;b\\f\xC3\xA9.zip", "https://host/a b?q=1"},
        {"--output", "--fail"},
        {"C:\\dir with \"quotes\" and a trailing backslash\\", "https://h/it's%20\xE2\x80\xA6"},
        {"", ""},
    };
    const std::vector<std::string> options = {"--disable",
                                              "--ssl-revoke-best-effort",
                                              "--fail",
                                              "--location",
                                              "--retry",
                                              "3",
                                              "--retry-max-time",
                                              "120",
                                              "--connect-timeout",
                                              "20",
                                              "--speed-limit",
                                              "1",
                                              "--speed-time",
                                              "60",
                                              "--output"};
    for (const auto& [destination, url] : cases) {
        auto arguments = curl_arguments(url, destination);
        ASSERT_GE(arguments.size(), 2u) << url;
        EXPECT_EQ(arguments.back(), url);
        arguments.pop_back();
        EXPECT_EQ(arguments.back(), destination);
        arguments.pop_back();
        EXPECT_EQ(arguments, options) << url;
    }
}

// No progress bar (it slows both cmdlets many times over) and stop on error
// come first; a download then switches TLS 1.2 on where the language mode
// lets it. Every value reads literally, whatever quote characters it holds.
TEST(WebRequestCommand, QuotesEveryValueLiterally) {
    const std::string quiet =
        "$ProgressPreference='SilentlyContinue'; $ErrorActionPreference='Stop'; ";
    const std::string tls12 = "try { [Net.ServicePointManager]::SecurityProtocol = "
                              "[Net.ServicePointManager]::SecurityProtocol -bor "
                              "[Net.SecurityProtocolType]::Tls12 } catch {}; ";
    // ' and U+2018..U+201B, each doubled inside the literal.
    const std::string quotes = "'\xE2\x80\x98\xE2\x80\x99\xE2\x80\x9A\xE2\x80\x9B";
    const std::string doubled = "''\xE2\x80\x98\xE2\x80\x98\xE2\x80\x99\xE2\x80\x99"
                                "\xE2\x80\x9A\xE2\x80\x9A\xE2\x80\x9B\xE2\x80\x9B";
    struct Case {
        std::string actual;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {web_request_command("https://h/x.zip", "C:\\w\\x.zip"),
         quiet + tls12 +
             "Invoke-WebRequest -UseBasicParsing -Uri 'https://h/x.zip' -OutFile "
             "'C:\\w\\x.zip'"},
        {web_request_command("https://h/it's", "C:\\O'Brien\\''$(x)`;[a].zip"),
         quiet + tls12 +
             "Invoke-WebRequest -UseBasicParsing -Uri 'https://h/it''s' -OutFile "
             "'C:\\O''Brien\\''''$(x)`;[a].zip'"},
        {web_request_command("https://h/" + quotes, "C:\\" + quotes + ".zip"),
         quiet + tls12 + "Invoke-WebRequest -UseBasicParsing -Uri 'https://h/" + doubled +
             "' -OutFile 'C:\\" + doubled + ".zip'"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected);
}

} // namespace
} // namespace velmora
