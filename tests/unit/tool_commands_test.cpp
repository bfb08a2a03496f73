#include "process/tool_commands.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

// Whatever characters they hold, the destination and the URL reach curl
// unchanged as its last two arguments, after the same options for every
// download: --disable first (no .curlrc is read), and a revocation check that
// cannot be made (a TLS-inspecting proxy's root) does not fail the download.
TEST(ToolCommands, CurlGetsTheDestinationAndUrlUnchangedAsItsLastTwoArguments) {
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

TEST(ToolCommands, TarGetsFourArgumentsWithThePathsUnchanged) {
    const std::vector<std::string> expected = {"-xf", "C:\\a'b[1].zip", "-C", "D:\\out dir"};
    EXPECT_EQ(tar_arguments("C:\\a'b[1].zip", "D:\\out dir"), expected);
}

TEST(ToolCommands, PowerShellRunsWithoutTheUsersProfileOrAPrompt) {
    const std::vector<std::string> expected = {"-NoProfile", "-NonInteractive", "-ExecutionPolicy",
                                               "Bypass",     "-Command",        "Get-Date"};
    EXPECT_EQ(powershell_arguments("Get-Date"), expected);
}

// No progress bar (it slows both cmdlets many times over) and stop on error
// come first; a download then switches TLS 1.2 on where the language mode
// lets it. Every value reads literally, whatever quote characters it holds.
TEST(ToolCommands, PowerShellCommandsQuoteEveryValueLiterally) {
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
        {expand_archive_command("C:\\a.zip", "C:\\out"),
         quiet + "Expand-Archive -LiteralPath 'C:\\a.zip' -DestinationPath 'C:\\out' -Force"},
        {expand_archive_command("C:\\it's [1].zip", "C:\\Jos\xC3\xA9's"),
         quiet + "Expand-Archive -LiteralPath 'C:\\it''s [1].zip' "
                 "-DestinationPath 'C:\\Jos\xC3\xA9''s' -Force"},
        {expand_archive_command("C:\\" + quotes + ".zip", "C:\\" + quotes),
         quiet + "Expand-Archive -LiteralPath 'C:\\" + doubled + ".zip' -DestinationPath 'C:\\" +
             doubled + "' -Force"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected);
}

} // namespace
} // namespace velmora
