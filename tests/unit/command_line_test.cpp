#include "common/command_line.hpp"

#include "common/text.hpp"

#include <gtest/gtest.h>

#include <cstdint>

namespace velmora {
namespace {

std::string describe(const std::vector<std::u16string>& elements) {
    std::string text = "[";
    for (const auto& element : elements)
        text += "<" + utf16_to_utf8(element) + ">";
    return text + "]";
}

struct SplitCase {
    std::u16string_view line;
    std::vector<std::u16string> elements;
};

TEST(SplitCommandLine, ProgramNameRules) {
    const SplitCase cases[] = {
        {u"", {}},
        {u"prog", {u"prog"}},
        {u"\"C:\\Program Files\\app.exe\" x", {u"C:\\Program Files\\app.exe", u"x"}},
        // Backslashes are literal in the program name, even before a quote.
        {u"\"C:\\dir\\\"x y", {u"C:\\dir\\x", u"y"}},
        {u"a\\\\\\\"b c", {u"a\\\\\\b c"}},
        {u"C:\\a\" b\"\\c.exe arg", {u"C:\\a b\\c.exe", u"arg"}},
        {u"\"\" a", {u"", u"a"}},
        {u" a b", {u"", u"a", u"b"}},
        {u"prog\targ", {u"prog", u"arg"}},
        {u"\"unterminated name", {u"unterminated name"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(split_command_line(c.line), c.elements)
            << utf16_to_utf8(c.line) << " -> " << describe(split_command_line(c.line));
}

TEST(SplitCommandLine, ArgumentRules) {
    const SplitCase cases[] = {
        {u"p a b", {u"p", u"a", u"b"}},
        {u"p  a\t\tb \t ", {u"p", u"a", u"b"}},
        {u"p \"a\tb\" c", {u"p", u"a\tb", u"c"}},
        // 2n+1 backslashes before a quote: n backslashes and a literal quote.
        {u"p a\\\"b", {u"p", u"a\"b"}},
        {u"p a\\\\\\\"b", {u"p", u"a\\\"b"}},
        // 2n backslashes before a quote: n backslashes, the quote switches.
        {u"p a\\\\\"b c\"", {u"p", u"a\\b c"}},
        {u"p a\\\\\\\\\"b\"", {u"p", u"a\\\\b"}},
        {u"p \"a\\\\\" b", {u"p", u"a\\", u"b"}},
        {u"p \"a\\\" b\"", {u"p", u"a\" b"}},
        // Backslashes not before a quote are literal, trailing ones too.
        {u"p a\\b\\\\c", {u"p", u"a\\b\\\\c"}},
        {u"p a\\", {u"p", u"a\\"}},
        {u"p \\\\server\\share\\\\ x", {u"p", u"\\\\server\\share\\\\", u"x"}},
        // Two quotes inside quotes: a literal quote, quoting stays on.
        {u"p \"a\"\"b\"", {u"p", u"a\"b"}},
        {u"p \"a\"\"b c\"", {u"p", u"a\"b c"}},
        {u"p \"\"\"\"", {u"p", u"\""}},
        // Outside quotes the pair only switches quoting on and off.
        {u"p a\"\"b", {u"p", u"ab"}},
        {u"p a\"b\"c", {u"p", u"abc"}},
        // A standalone pair is an empty argument.
        {u"p \"\"", {u"p", u""}},
        {u"p \"\" \"\"", {u"p", u"", u""}},
        {u"p x \"\" y", {u"p", u"x", u"", u"y"}},
        {u"p \"a b", {u"p", u"a b"}},
        {u"p Gr\u00FC\u00DFe \"\u65E5\u672C \u8A9E\" \U0001F600",
         {u"p", u"Gr\u00FC\u00DFe", u"\u65E5\u672C \u8A9E", u"\U0001F600"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(split_command_line(c.line), c.elements)
            << utf16_to_utf8(c.line) << " -> " << describe(split_command_line(c.line));
}

TEST(CommandLineArguments, UnpairedSurrogatesBecomeReplacementCharacters) {
    const std::u16string line =
        std::u16string(u"p a") + char16_t(0xD800) + u" \"" + char16_t(0xDFFF) + u"\" \u00E9";
    const std::vector<std::string> expected = {"p", "a\xEF\xBF\xBD", "\xEF\xBF\xBD", "\xC3\xA9"};
    EXPECT_EQ(command_line_arguments(line), expected);
}

struct BuildCase {
    std::vector<std::string> arguments;
    std::string_view line;
};

TEST(BuildCommandLine, QuotesOnlyWhereNeeded) {
    const BuildCase cases[] = {
        {{}, R"("p")"},
        {{"a"}, R"("p" a)"},
        {{"a b"}, R"("p" "a b")"},
        {{"a\tb"}, "\"p\" \"a\tb\""},
        {{""}, R"("p" "")"},
        {{"a", "", "b c"}, R"("p" a "" "b c")"},
        {{"a\"b"}, R"("p" a\"b)"},
        {{"\""}, R"("p" \")"},
        {{R"(a\"b)"}, R"("p" a\\\"b)"},
        {{R"(a\\")"}, R"("p" a\\\\\")"},
        {{R"(say "hi" now)"}, R"("p" "say \"hi\" now")"},
        // A trailing backslash stays single unless a closing quote follows it.
        {{R"(C:\dir\)"}, R"("p" C:\dir\)"},
        {{R"(C:\my dir\)"}, R"("p" "C:\my dir\\")"},
        {{R"(C:\my dir\\)"}, R"("p" "C:\my dir\\\\")"},
        {{R"(C:\a\b c)"}, R"("p" "C:\a\b c")"},
        {{R"(\\server\share)"}, R"("p" \\server\share)"},
        {{"O'Brien \xC3\xA9"}, "\"p\" \"O'Brien \xC3\xA9\""},
    };
    for (const auto& c : cases) {
        const Result<std::string> line = build_command_line("p", c.arguments);
        ASSERT_TRUE(line.ok()) << c.line;
        EXPECT_EQ(*line, c.line);
    }
}

TEST(BuildCommandLine, ProgramIsQuotedAsWritten) {
    const Result<std::string> line = build_command_line(R"(C:\Program Files\tar.exe)", {"-x"});
    ASSERT_TRUE(line.ok());
    EXPECT_EQ(*line, R"("C:\Program Files\tar.exe" -x)");
}

TEST(BuildCommandLine, RefusesNul) {
    using namespace std::string_literals;
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"cu\0rl.exe"s, {}},
        {"curl.exe", {"ok", "a\0b"s}},
        {"curl.exe", {"\0"s}},
        {"curl.exe", {"x\0"s, "y"}},
    };
    for (const auto& [program, arguments] : cases) {
        const Result<std::string> line = build_command_line(program, arguments);
        ASSERT_FALSE(line.ok());
        EXPECT_EQ(line.error().message, "nul byte found in provided data");
    }
}

TEST(AppendQuotedArgument, AppendsWithoutSeparator) {
    std::string line = "x";
    append_quoted_argument(line, "a b\\");
    EXPECT_EQ(line, R"(x"a b\\")");
}

// Every string of up to three fragments, chosen to hit quote and backslash
// interactions at the start, middle and end of an argument.
std::vector<std::string> tricky_arguments() {
    const std::string_view fragments[] = {"a", " ", "\t", "\\", "\"", "\\\\", "\"\"", "\xC3\xA9"};
    std::vector<std::string> result = {""};
    std::size_t begin = 0;
    for (int length = 1; length <= 3; ++length) {
        const std::size_t end = result.size();
        for (std::size_t i = begin; i < end; ++i)
            for (const auto fragment : fragments)
                result.push_back(result[i] + std::string(fragment));
        begin = end;
    }
    return result;
}

TEST(BuildCommandLine, SplitsBackIntoTheSameArguments) {
    const std::string program = R"(C:\Program Files\Velmora\tool.exe)";
    const std::vector<std::string> pool = tricky_arguments();
    std::uint32_t seed = 12345;
    const auto pick = [&] {
        seed = seed * 1664525u + 1013904223u;
        return pool[(seed >> 8) % pool.size()];
    };
    for (std::size_t i = 0; i < pool.size(); ++i) {
        std::vector<std::string> arguments = {pool[i]};
        for (std::size_t extra = i % 4; extra > 0; --extra)
            arguments.push_back(pick());
        const Result<std::string> line = build_command_line(program, arguments);
        ASSERT_TRUE(line.ok());
        std::vector<std::string> expected = {program};
        expected.insert(expected.end(), arguments.begin(), arguments.end());
        ASSERT_EQ(command_line_arguments(utf8_to_utf16(*line)), expected) << *line;
    }
}

} // namespace
} // namespace velmora
