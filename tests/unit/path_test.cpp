#include "common/path.hpp"
#include "install/tar_paths.hpp"

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

// tar reads its command line through the ANSI code page (ASCII here): each
// path text it gets must be readable there, whichever form it takes.
TEST(TarPaths, GiveTarOnlyTextItCanRead) {
    const auto ascii = [](std::string_view text) {
        return std::all_of(text.begin(), text.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    };
    const auto short_names = [](std::string_view path) -> std::optional<std::string> {
        if (path.find("nolongnames") != std::string_view::npos)
            return std::nullopt;
        return "C:\\SHORT~" + std::to_string(path.size());
    };
    struct Case {
        const char* archive;
        const char* destination;
        const char* tar_archive;
        const char* tar_destination;
        const char* working_directory; // nullptr: the program's own
    } const cases[] = {
        {R"(C:\t\a.zip)", R"(C:\r\d)", R"(C:\t\a.zip)", R"(C:\r\d)", nullptr},
        {"C:\\\xD0\x96 \xE7\x8E\x8B\\Temp\\a.zip", "C:\\\xD0\x96 \xE7\x8E\x8B\\Velmora\\d",
         R"(Temp\a.zip)", R"(Velmora\d)", "C:\\\xD0\x96 \xE7\x8E\x8B"},
        {R"(C:\Temp\a.zip)", "C:\\\xE7\x8E\x8B\\d", "C:\\SHORT~13", "C:\\SHORT~8", nullptr},
        {R"(C:\nolongnames\a.zip)", "C:\\\xE7\x8E\x8B\\d", R"(C:\nolongnames\a.zip)",
         "C:\\\xE7\x8E\x8B\\d", nullptr},
    };
    for (const auto& c : cases) {
        const TarPaths tar = choose_tar_paths(c.archive, c.destination, ascii, short_names);
        EXPECT_EQ(tar.archive, c.tar_archive) << c.destination;
        EXPECT_EQ(tar.destination, c.tar_destination) << c.destination;
        EXPECT_EQ(tar.working_directory.value_or("(own)"),
                  c.working_directory ? c.working_directory : "(own)")
            << c.destination;
    }
}

} // namespace
} // namespace velmora
