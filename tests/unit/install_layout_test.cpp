#include "common/path.hpp"
#include "install/install_layout.hpp"
#include "install/manifest_url.hpp"

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

TEST(InstallLayout, PlainNamesKeepFilesInTheirFolders) {
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

TEST(ManifestUrl, VariableWinsWhenPresentAndValid) {
    const std::string fallback = default_manifest_url();
    EXPECT_TRUE(fallback.starts_with("https://"));
    EXPECT_TRUE(fallback.ends_with("/client/bootstrap.json"));
    EXPECT_EQ(choose_manifest_url(std::nullopt), fallback);
    EXPECT_EQ(choose_manifest_url(u""), "");
    EXPECT_EQ(choose_manifest_url(u" file:///C:/x y "), " file:///C:/x y ");
    EXPECT_EQ(choose_manifest_url(u"http://h/\u00fc"), "http://h/\xC3\xBC");
    EXPECT_EQ(choose_manifest_url(std::u16string(1, char16_t(0xDC00))), fallback);
}

} // namespace
} // namespace velmora
