#include "install/state.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

struct Formatted {
    BootstrapState state;
    const char* bytes;
};

TEST(FormatState, IndentedObjectInFieldOrderWithoutFinalLineBreak) {
    const Formatted cases[] = {
        {{R"(C:\Users\someone\AppData\Local\Velmora\dotnet\8.0.0)",
          R"(C:\Users\someone\AppData\Local\Programs\Velmora)"},
         "{\n"
         R"(  "dotnetRoot": "C:\\Users\\someone\\AppData\\Local\\Velmora\\dotnet\\8.0.0",)"
         "\n"
         R"(  "launcherDirectory": "C:\\Users\\someone\\AppData\\Local\\Programs\\Velmora")"
         "\n}"},
        // Non-ASCII stays UTF-8; quotes and control characters are escaped.
        {{"D:\\J\xC3\xB6rg O'Neil\\\xE6\x97\xA5", "say \"hi\"\t\x01"},
         "{\n  \"dotnetRoot\": \"D:\\\\J\xC3\xB6rg O'Neil\\\\\xE6\x97\xA5\",\n"
         "  \"launcherDirectory\": \"say \\\"hi\\\"\\t\\u0001\"\n}"},
        {{"", ""}, "{\n  \"dotnetRoot\": \"\",\n  \"launcherDirectory\": \"\"\n}"},
    };
    for (const auto& c : cases) {
        const std::string bytes = format_state(c.state);
        EXPECT_EQ(bytes, c.bytes);
        const Result<BootstrapState> back = parse_state(bytes);
        ASSERT_TRUE(back.ok()) << back.error().message;
        EXPECT_EQ(back->dotnetRoot, c.state.dotnetRoot);
        EXPECT_EQ(back->launcherDirectory, c.state.launcherDirectory);
    }
}

struct Read {
    const char* document;
    const char* dotnet_root;
    const char* launcher_directory;
};

TEST(ParseState, ReadsObjectAndArrayForms) {
    const Read cases[] = {
        {R"({"launcherDirectory":"L","dotnetRoot":"D"})", "D", "L"},
        {R"(["A","B"])", "A", "B"},
        {"\t{ \"extra\" : {\"dotnetRoot\": 1}, \"dotnetRoot\"\r\n:\"D\", \"x\":[null],"
         "\"launcherDirectory\":\"L\"}\r\n",
         "D", "L"},
        {R"({"dotnetRoot":"\u0043:\\d","launcherDirectory":"\u00e9"})", "C:\\d", "\xC3\xA9"},
    };
    for (const auto& c : cases) {
        const Result<BootstrapState> state = parse_state(c.document);
        ASSERT_TRUE(state.ok()) << c.document << "\n" << state.error().message;
        EXPECT_EQ(state->dotnetRoot, c.dotnet_root);
        EXPECT_EQ(state->launcherDirectory, c.launcher_directory);
    }
}

struct Damaged {
    const char* document;
    const char* message;
};

TEST(ParseState, DamagedStateMessages) {
    const Damaged cases[] = {
        {"", "Velmora installation state is damaged: EOF while parsing a value at line 1 column 0"},
        {"{\n  \"dotnetRoot\": \"a\"\n}",
         "Velmora installation state is damaged: missing field `launcherDirectory` at line 3 "
         "column 1"},
        {R"({"dotnetRoot":"a","dotnetRoot":"b","launcherDirectory":"c"})",
         "Velmora installation state is damaged: duplicate field `dotnetRoot` at line 1 column 30"},
        {R"({"dotnetRoot":"a","dotnetRoot":"a","launcherDirectory":"c"})",
         "Velmora installation state is damaged: duplicate field `dotnetRoot` at line 1 column 30"},
        {R"(["a"])", "Velmora installation state is damaged: invalid length 1, expected struct "
                     "BootstrapState with 2 elements at line 1 column 5"},
        {R"({"dotnetRoot":"a","launcherDirectory":"b"} x)",
         "Velmora installation state is damaged: trailing characters at line 1 column 44"},
        {"{\"dotnetRoot\":\"J\xC3\xB6rg\"}",
         "Velmora installation state is damaged: missing field `launcherDirectory` at line 1 "
         "column 21"},
        {R"({"dotnetRoot":5,"launcherDirectory":"b"})",
         "Velmora installation state is damaged: invalid type: integer `5`, expected a string at "
         "line 1 column 15"},
        {R"("C:\\x")", "Velmora installation state is damaged: invalid type: string \"C:\\\\x\", "
                       "expected struct BootstrapState at line 1 column 7"},
    };
    for (const auto& c : cases) {
        const Result<BootstrapState> state = parse_state(c.document);
        ASSERT_FALSE(state.ok()) << c.document;
        EXPECT_EQ(damaged_state_message(state.error().message), c.message);
    }
}

TEST(ParseState, NotInstalledMessage) {
    EXPECT_EQ(not_installed_message(), "Velmora is not installed. Run its setup first.");
}

} // namespace
} // namespace velmora
