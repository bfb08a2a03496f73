// The command lines built here must be read back the same by the system's
// own splitter, and the program's splitter must agree with it wherever the
// older rules of CommandLineToArgvW and the current runtime rules coincide.
#include "common/command_line.hpp"
#include "common/text_win.hpp"

#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <memory>

namespace velmora {
namespace {

struct LocalFreeDeleter {
    void operator()(LPWSTR* p) const { ::LocalFree(p); }
};

std::vector<std::string> system_split(const std::string& line) {
    const std::wstring wide = widen(line);
    int count = 0;
    const std::unique_ptr<LPWSTR, LocalFreeDeleter> argv(
        ::CommandLineToArgvW(wide.c_str(), &count));
    EXPECT_NE(argv, nullptr) << ::GetLastError();
    std::vector<std::string> elements;
    for (int i = 0; argv && i < count; ++i)
        elements.push_back(narrow(argv.get()[i]));
    return elements;
}

TEST(CommandLineWin, SystemSplitterReadsBuiltLinesBack) {
    const std::string program = R"(C:\Program Files\Velmora\tool.exe)";
    const std::vector<std::vector<std::string>> cases = {
        {},
        {""},
        {"", ""},
        {"a b", "c\td"},
        {R"(C:\Users\Ann Lee\AppData\Local\Temp\)"},
        {R"(C:\dir\)", R"(\\server\share\)"},
        {R"(a"b)", R"(\")", R"(\\")", R"("")", R"(" ")"},
        {R"(say "hi" now)", R"(x\\\"y z)"},
        {"O'Brien", "-Command", "Expand-Archive -LiteralPath 'C:\\a b\\x.zip' -Force"},
        {"\xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC", "\xF0\x9F\x98\x80\\"},
        {"--output", R"(C:\Temp\Velmora Setup-1\archive.zip)", "--url", "https://h/x?a=1&b=2"},
    };
    for (const auto& arguments : cases) {
        const Result<std::string> line = build_command_line(program, arguments);
        ASSERT_TRUE(line.ok());
        std::vector<std::string> expected = {program};
        expected.insert(expected.end(), arguments.begin(), arguments.end());
        EXPECT_EQ(system_split(*line), expected) << *line;
    }
}

// Lines on which both rule sets give the same list: no two quotes in a row
// except a standalone empty pair, and a program name that is either wholly
// quoted or holds no quote at all.
TEST(CommandLineWin, SplitterAgreesWithSystemSplitter) {
    const std::string_view lines[] = {
        "prog",
        "prog a b",
        "prog  a\t\tb \t ",
        R"("C:\Program Files\app.exe" x "y z")",
        R"(C:\dir\prog.exe a\b\\c d\)",
        R"(p a\"b a\\\"b a\\"b c")",
        R"(p a\\\\"b" "a\\" b)",
        R"(p "a\" b" \"x)",
        R"(p "" x "")",
        R"(p a"b"c "a b)",
        "p \"\xC3\xA9 \xE6\x97\xA5\" \xF0\x9F\x98\x80",
        "p --apply-launcher-update 4242 \"C:\\Temp\\new launcher.zip\" C:\\Programs\\Velmora",
    };
    for (const auto line : lines)
        EXPECT_EQ(command_line_arguments(utf8_to_utf16(line)), system_split(std::string(line)))
            << line;
}

TEST(CommandLineWin, OwnCommandLineSplitsAsTheSystemSplitsIt) {
    const std::wstring_view own = ::GetCommandLineW();
    const std::u16string own16(own.begin(), own.end());
    EXPECT_EQ(command_line_arguments(own16), system_split(narrow(own)));
}

} // namespace
} // namespace velmora
