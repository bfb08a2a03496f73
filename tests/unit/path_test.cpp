#include "common/path.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace velmora {
namespace {

struct JoinCase {
    const char* base;
    const char* component;
    const char* joined;
};

TEST(JoinPath, AddsOneSeparatorOnlyWhereNeeded) {
    const JoinCase cases[] = {
        {R"(C:\Users\a\AppData\Local)", "Velmora", R"(C:\Users\a\AppData\Local\Velmora)"},
        {R"(C:\root\)", "Velmora", R"(C:\root\Velmora)"},
        {"C:/root/", "Velmora", "C:/root/Velmora"},
        {"", "Velmora", "Velmora"},
        {"C:", "Velmora", "C:Velmora"},
        {"z:", "x", "z:x"},
        {"C:x", "y", R"(C:x\y)"},
        {"1:", "y", R"(1:\y)"},
        {R"(\\server\share)", "dir", R"(\\server\share\dir)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(join_path(c.base, c.component), c.joined) << c.base << " + " << c.component;
}

TEST(PathParts, FileNameAndParent) {
    EXPECT_EQ(file_name_of(R"(C:\dir\Velmora.exe)"), "Velmora.exe");
    EXPECT_EQ(file_name_of("C:/dir/Velmora.exe"), "Velmora.exe");
    EXPECT_EQ(file_name_of("C:Velmora.exe"), "Velmora.exe");
    EXPECT_EQ(file_name_of(R"(C:\dir\)"), "");
    EXPECT_EQ(file_name_of("plain"), "plain");
    EXPECT_EQ(parent_of(R"(C:\dir\sub\file)"), R"(C:\dir\sub)");
    EXPECT_EQ(parent_of(R"(C:\file)"), R"(C:\)");
    EXPECT_EQ(parent_of("file"), "");
    EXPECT_EQ(parent_of(R"(dir\\file)"), "dir");
}

TEST(CommonFolder, NamesBothPathsFromTheDeepestFolderHoldingThem) {
    struct Case {
        const char* first;
        const char* second;
        const char* folder; // nullptr: no common folder
        const char* first_below;
        const char* second_below;
    } const cases[] = {
        {R"(C:\r\temp\w\a.zip)", R"(C:\r\Velmora\dotnet\8.0)", R"(C:\r)", R"(temp\w\a.zip)",
         R"(Velmora\dotnet\8.0)"},
        {R"(c:\R\x\a.zip)", R"(C:\r\X\dest\)", R"(c:\R\x)", "a.zip", "dest"},
        {R"(C:\a.zip)", R"(C:\dest)", R"(C:\)", "a.zip", "dest"},
        {R"(C:\r\a.zip)", R"(C:\r\)", R"(C:\r)", "a.zip", "."},
        {R"(C:/r//x/a.zip)", R"(C:\r\y)", R"(C:\r)", R"(x\a.zip)", "y"},
        {R"(C:\rx\a.zip)", R"(C:\r\a)", R"(C:\)", R"(rx\a.zip)", R"(r\a)"},
        {R"(\\srv\share\t\a.zip)", R"(\\SRV\Share\d)", R"(\\srv\share)", R"(t\a.zip)", "d"},
        {R"(C:\r\a.zip)", R"(D:\r\dest)", nullptr, "", ""},
        {R"(r\a.zip)", R"(r\dest)", nullptr, "", ""},
        {R"(C:\r\..\a.zip)", R"(C:\r\dest)", nullptr, "", ""},
        {R"(\\?\C:\r\a.zip)", R"(\\?\C:\r\d)", nullptr, "", ""},
    };
    for (const auto& c : cases) {
        const auto common = relative_to_common_folder(c.first, c.second);
        ASSERT_EQ(common.has_value(), c.folder != nullptr) << c.first << " | " << c.second;
        if (!common)
            continue;
        EXPECT_EQ(common->folder, c.folder) << c.first << " | " << c.second;
        EXPECT_EQ(common->first, c.first_below) << c.first;
        EXPECT_EQ(common->second, c.second_below) << c.second;
    }
}

TEST(PlainName, KeepsFilesInTheirFolders) {
    for (const char* good : {"8.0.11", "abc", "9.0.0-rc.1", ".hidden", "Ünïcode 8", "a'b",
                             "CONSOLE", "COM10", "LPT", "x.con", "nul-8.0"})
        EXPECT_TRUE(is_plain_name(good)) << good;
    for (const char* bad : {"",     ".",         "..",           "..\\..\\x", "../x",     "a/b",
                            "C:",   "a:b",       "x.",           "x ",        "a*b",      "a?b",
                            "a|b",  "a<b",       "a>b",          "a\"b",      "a\tb",     "CON",
                            "nul",  "Aux.8.0",   "prn .1",       "COM1",      "lpt9.zip", "CONOUT$",
                            "com0", "COM\u00b9", "lpt\u00b3.txt"})
        EXPECT_FALSE(is_plain_name(bad)) << bad;
}

} // namespace
} // namespace velmora
