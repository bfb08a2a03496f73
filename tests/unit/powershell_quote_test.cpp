#include "install/powershell_quote.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(PowershellQuote, DoublesOnlyTheSingleQuote) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"", ""},
        {R"(C:\Users\Ann\AppData\Local\Temp\x.zip)", R"(C:\Users\Ann\AppData\Local\Temp\x.zip)"},
        {"O'Brien", "O''Brien"},
        {"''", "''''"},
        {"'", "''"},
        {R"(C:\Users\O'Neil\it's here\)", R"(C:\Users\O''Neil\it''s here\)"},
        // Only the ASCII quote is special here; the others pass unchanged.
        {"\xE2\x80\x98typographic\xE2\x80\x99", "\xE2\x80\x98typographic\xE2\x80\x99"},
        {R"("$env:TEMP" `n ; & |)", R"("$env:TEMP" `n ; & |)"},
    };
    for (const auto& [text, quoted] : cases)
        EXPECT_EQ(powershell_quote(text), quoted) << text;
}

} // namespace
} // namespace velmora
