#include "install/extract_win.hpp"

#include "install/extract.hpp"
#include "support/tool_sandbox.hpp"
#include "support/zip_writer.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {
namespace fs = std::filesystem;
using namespace test;

class Extract : public ::testing::Test {
  protected:
    std::string archive(std::string_view name = "launcher.zip") {
        const fs::path path = sandbox.root() / test::u8path(name);
        write_bytes(path, test::make_zip({{"bin/", ""},
                                          {"bin/VelmoraGame.dll", "game"},
                                          {"readme.txt", "new readme"}}));
        return u8text(path);
    }
    void expect_extracted(const fs::path& destination) {
        EXPECT_EQ(read_bytes(destination / "bin" / "VelmoraGame.dll"), "game");
        EXPECT_EQ(read_bytes(destination / "readme.txt"), "new readme");
    }

    ToolSandbox sandbox;
};

TEST_F(Extract, TarUnpacksIntoANewDeepDestination) {
    sandbox.add_tool("tar.exe");
    sandbox.add_tool("powershell.exe");
    const std::string source = archive();
    const fs::path destination = sandbox.root() / "a" / "b c" / "d";
    EXPECT_EQ(message_of(extract_archive(source, u8text(destination))), "");
    expect_extracted(destination);
    const auto starts = sandbox.log();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0], test::tar_line(source, u8text(destination)));
}

TEST_F(Extract, ExpandArchiveStandsInForAMissingTar) {
    sandbox.add_tool("powershell.exe");
    const std::string source = archive();
    const fs::path destination = sandbox.root() / "out";
    EXPECT_EQ(message_of(extract_archive(source, u8text(destination))), "");
    expect_extracted(destination);
    const auto starts = sandbox.log();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0][0], "powershell.exe");
}

TEST_F(Extract, ExistingFilesAreReplacedAndOthersKept) {
    sandbox.add_tool("tar.exe");
    const fs::path destination = sandbox.root() / "out";
    fs::create_directories(destination);
    write_bytes(destination / "readme.txt", "old readme");
    write_bytes(destination / "settings.json", "mine");
    EXPECT_EQ(message_of(extract_archive(archive(), u8text(destination))), "");
    expect_extracted(destination);
    EXPECT_EQ(read_bytes(destination / "settings.json"), "mine");
}

TEST_F(Extract, OnlyThePowerShellOutcomeIsReported) {
    sandbox.add_tool("tar.exe");
    sandbox.add_tool("powershell.exe");
    const fs::path corrupt = sandbox.root() / "corrupt.zip";
    write_bytes(corrupt, "PK\x03\x04 this is not a zip archive");
    const std::string destination = u8text(sandbox.root() / "out");
    struct Case {
        std::string rules;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"", "Archive extraction failed with exit code 1."},
        {"tar.exe * exit 3221225477\npowershell.exe * exit 3221225477\n",
         "Archive extraction failed with exit code -1073741819."},
        {"tar.exe * exit 0\n", ""},
        {"powershell.exe * exit 0\n", ""},
    };
    for (const Case& c : cases) {
        sandbox.set_rules(c.rules);
        EXPECT_EQ(message_of(extract_archive(u8text(corrupt), destination)), c.message) << c.rules;
    }
}

TEST_F(Extract, NoToolAtAll) {
    EXPECT_EQ(message_of(extract_archive(archive(), u8text(sandbox.root() / "out"))),
              "Archive extraction failed: program not found");
    EXPECT_TRUE(fs::is_directory(sandbox.root() / "out"));
}

TEST_F(Extract, AwkwardArchivePathReachesTarUnchangedAndPowerShellQuoted) {
    sandbox.add_tool("tar.exe");
    sandbox.add_tool("powershell.exe");
    sandbox.set_rules("tar.exe * exit 1\n");
    const std::string source = archive("O'Brien [1] $(x) `y`;\xC3\xA9.zip");
    const fs::path destination = sandbox.root() / "Jos\xC3\xA9's [game]";
    EXPECT_EQ(message_of(extract_archive(source, u8text(destination))), "");
    expect_extracted(destination);
    const auto starts = sandbox.log();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0], test::tar_line(source, u8text(destination)));
    EXPECT_EQ(starts[1],
              test::powershell_line(expand_archive_command(source, u8text(destination))));
}

TEST_F(Extract, DestinationThatCannotBeCreatedIsTheOsError) {
    sandbox.add_tool("tar.exe");
    const fs::path blocker = sandbox.root() / "file";
    write_bytes(blocker, "x");
    const Status status = extract_archive(archive(), u8text(blocker / "sub"));
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().message.find(" (os error "), std::string::npos)
        << status.error().message;
    EXPECT_TRUE(sandbox.log().empty());
}

} // namespace
} // namespace velmora
