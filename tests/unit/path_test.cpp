#include "common/path.hpp"

#include <gtest/gtest.h>

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

} // namespace
} // namespace velmora
