#include "process/tool_commands.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

// Whatever characters they hold, the destination and the URL reach curl
// unchanged as its last two arguments, and the arguments before them are the
// same for every download.
TEST(ToolCommands, CurlGetsTheDestinationAndUrlUnchangedAsItsLastTwoArguments) {
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

TEST(ToolCommands, TarGetsFourArgumentsWithThePathsUnchanged) {
    const std::vector<std::string> expected = {"-xf", "C:\\a'b[1].zip", "-C", "D:\\out dir"};
    EXPECT_EQ(tar_arguments("C:\\a'b[1].zip", "D:\\out dir"), expected);
}

TEST(ToolCommands, PowerShellRunsWithoutTheUsersProfileOrAPrompt) {
    const std::vector<std::string> expected = {"-NoProfile", "-NonInteractive", "-ExecutionPolicy",
                                               "Bypass",     "-Command",        "Get-Date"};
    EXPECT_EQ(powershell_arguments("Get-Date"), expected);
}

TEST(ToolCommands, PowerShellCommandsQuoteEveryValueLiterally) {
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
        {expand_archive_command("C:\\a.zip", "C:\\out"),
         "$ErrorActionPreference='Stop'; Expand-Archive -LiteralPath 'C:\\a.zip' "
         "-DestinationPath 'C:\\out' -Force"},
        {expand_archive_command("C:\\it's [1].zip", "C:\\Jos\xC3\xA9's"),
         "$ErrorActionPreference='Stop'; Expand-Archive -LiteralPath 'C:\\it''s [1].zip' "
         "-DestinationPath 'C:\\Jos\xC3\xA9''s' -Force"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected);
}

} // namespace
} // namespace velmora
