#include "install/install_layout.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(InstallLayout, StagingDirectoryReplacesTheLastExtension) {
    struct Case {
        const char* runtime;
        const char* staging;
    } const cases[] = {
        {R"(C:\r\Velmora\dotnet\8.0.11)", R"(C:\r\Velmora\dotnet\8.0.staging-4242)"},
        {R"(C:\r\Velmora\dotnet\abc)", R"(C:\r\Velmora\dotnet\abc.staging-4242)"},
        {R"(C:\r\Velmora\dotnet\.hidden)", R"(C:\r\Velmora\dotnet\.hidden.staging-4242)"},
        {R"(C:\r\Velmora\dotnet\8.0.)", R"(C:\r\Velmora\dotnet\8.0.staging-4242)"},
        {R"(C:\r.d\Velmora\dotnet\8)", R"(C:\r.d\Velmora\dotnet\8.staging-4242)"},
        {R"(Velmora\dotnet\9.0.0-rc.1)", R"(Velmora\dotnet\9.0.0-rc.staging-4242)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(staging_directory_for(c.runtime, 4242), c.staging) << c.runtime;
}

TEST(InstallLayout, NamesOfTheRunsFiles) {
    EXPECT_EQ(work_directory_name(4242), "VelmoraSetup-4242");
    EXPECT_EQ(work_directory_name(4294967295u), "VelmoraSetup-4294967295");
    EXPECT_EQ(launcher_archive_name("1.2.3"), "VelmoraLauncher-1.2.3.zip");
    EXPECT_EQ(launcher_archive_name(""), "VelmoraLauncher-.zip");
    EXPECT_EQ(work_directory_owner("VelmoraSetup-4294967295"), 4294967295u);
    EXPECT_EQ(staging_directory_owner("8.0.staging-4242"), 4242u);
    for (const char* other : {"VelmoraSetup-", "VelmoraSetup-042", "VelmoraSetup-4294967296",
                              "VelmoraSetup-1x", "VelmoraSetup--1", "VelmoraSetup-1.txt"})
        EXPECT_EQ(work_directory_owner(other), std::nullopt) << other;
    for (const char* other : {"8.0.11", ".staging-1", "8.0.staging-", "8.staging-1.zip"})
        EXPECT_EQ(staging_directory_owner(other), std::nullopt) << other;
}

// A root has one lock whatever its spelling; another root has another.
TEST(InstallLayout, LockNameIsOnePerRoot) {
    const std::string name = InstallLayout{R"(C:\Users\J\AppData\Local)"}.lock_name();
    EXPECT_TRUE(name.starts_with("Local\\VelmoraSetup-")) << name;
    EXPECT_EQ(name.size(), std::string_view("Local\\VelmoraSetup-").size() + 16);
    EXPECT_EQ(name.find('\\', 6), std::string::npos) << name;
    for (const char* same : {R"(c:\users\j\appdata\local)", R"(C:\Users\J\AppData\Local\)",
                             "C:/Users/J/AppData/Local"})
        EXPECT_EQ(InstallLayout{same}.lock_name(), name) << same;
    for (const char* other : {R"(C:\Users\K\AppData\Local)", R"(C:\Users\J\AppData)",
                              "C:\\Users\\J\\AppData\\Local\xC3\xA9"})
        EXPECT_NE(InstallLayout{other}.lock_name(), name) << other;
}

} // namespace
} // namespace velmora
