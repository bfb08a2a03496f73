#include "process/powershell.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(PowershellQuote, DoublesEachOfTheFiveSingleQuotes) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"", ""},
        {R"(C:\Users\Ann\AppData\Local\Temp\x.zip)", R"(C:\Users\Ann\AppData\Local\Temp\x.zip)"},
        {"O'Brien", "O''Brien"},
        {"''", "''''"},
        {"'", "''"},
        {R"(C:\Users\O'Neil\it's here\)", R"(C:\Users\O''Neil\it''s here\)"},
        // U+2018..U+201B end a literal too; their neighbours and a cut
        // sequence do not.
        {"O\xE2\x80\x99"
         "Brien \xE2\x80\x98\xE2\x80\x9A\xE2\x80\x9B",
         "O\xE2\x80\x99\xE2\x80\x99"
         "Brien \xE2\x80\x98\xE2\x80\x98\xE2\x80\x9A\xE2\x80\x9A\xE2\x80\x9B\xE2\x80\x9B"},
        {"\xE2\x80\x97\xE2\x80\x9C\xE2\x80", "\xE2\x80\x97\xE2\x80\x9C\xE2\x80"},
        {R"("$env:TEMP" `n ; & |)", R"("$env:TEMP" `n ; & |)"},
    };
    for (const auto& [text, quoted] : cases)
        EXPECT_EQ(powershell_quote(text), quoted) << text;
}

TEST(PowershellArguments, PowerShellRunsWithoutTheUsersProfileOrAPrompt) {
    const std::vector<std::string> expected = {"-NoProfile", "-NonInteractive", "-ExecutionPolicy",
                                               "Bypass",     "-Command",        "Get-Date"};
    EXPECT_EQ(powershell_arguments("Get-Date"), expected);
}

} // namespace
} // namespace velmora
