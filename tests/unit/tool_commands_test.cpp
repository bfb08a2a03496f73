#include "process/tool_commands.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(ToolCommands, CurlGetsNineArgumentsWithThePathsUnchanged) {
    const std::string destination = "C:\\Users\\O'Brien [x]\\$(calc) `a`;b\\f\xC3\xA9.zip";
    const std::vector<std::string> expected = {
        "--fail",    "--location",          "--retry", "3", "--connect-timeout", "20", "--output",
        destination, "https://host/a b?q=1"};
    EXPECT_EQ(curl_arguments("https://host/a b?q=1", destination), expected);
}

TEST(ToolCommands, TarGetsFourArgumentsWithThePathsUnchanged) {
    const std::vector<std::string> expected = {"-xf", "C:\\a'b[1].zip", "-C", "D:\\out dir"};
    EXPECT_EQ(tar_arguments("C:\\a'b[1].zip", "D:\\out dir"), expected);
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
