#include "install/download_win.hpp"

#include "common/system_error_win.hpp"
#include "install/digest_win.hpp"
#include "install/download.hpp"
#include "support/tool_sandbox.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {
namespace fs = std::filesystem;
using namespace test;

constexpr auto sha256 = DigestAlgorithm::sha256;
constexpr auto sha512 = DigestAlgorithm::sha512;

constexpr std::string_view abc_sha256 =
    "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
constexpr std::string_view abc_sha512 =
    "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
    "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f";
constexpr std::string_view empty_sha256 =
    "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
constexpr std::string_view empty_sha512 =
    "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce"
    "47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e";

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return result;
}

class Download : public ::testing::Test {
  protected:
    void SetUp() override {
        sandbox.add_tool("curl.exe");
        sandbox.add_tool("powershell.exe");
        fs::create_directories(sandbox.web_root() / "files");
        write_bytes(sandbox.web_root() / "files" / "a.zip", "archive bytes");
    }
    std::string destination(std::string_view name = "work\\a.zip") const {
        return u8text(sandbox.root()) + "\\" + std::string(name);
    }

    ToolSandbox sandbox;
    const std::string url = "https://downloads.test/files/a.zip";
};

TEST_F(Download, CurlSuccessLeavesPowerShellUnstarted) {
    const std::string target = destination();
    EXPECT_EQ(message_of(download_file(url, target)), "");
    EXPECT_EQ(read_bytes(test::u8path(target)), "archive bytes");
    const auto starts = sandbox.log();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0], test::curl_line(target, url));
}

TEST_F(Download, PowerShellTakesOverWhenCurlFails) {
    const std::string target = destination();
    sandbox.set_rules("curl.exe * status 404\n");
    EXPECT_EQ(message_of(download_file(url, target)), "");
    EXPECT_EQ(read_bytes(test::u8path(target)), "archive bytes");
    const auto starts = sandbox.log();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0][0], "curl.exe");
    EXPECT_EQ(starts[1][0], "powershell.exe");
}

TEST_F(Download, OnlyThePowerShellOutcomeIsReported) {
    struct Case {
        std::string rules;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"", "Download failed with exit code 1"}, // a 404 for both tools
        {"curl.exe * exit 3221225477\npowershell.exe * exit 1\n",
         "Download failed with exit code 1"},
        {"curl.exe * exit 6\npowershell.exe * exit 3221225477\n",
         "Download failed with exit code -1073741819"},
        // curl's 0 without the file (a Retry-After beyond its retries) is no success.
        {"curl.exe * exit 0\npowershell.exe * exit 1\n", "Download failed with exit code 1"},
        {"curl.exe * exit 22\npowershell.exe * exit 0\n", ""},
    };
    for (const Case& c : cases) {
        sandbox.set_rules(c.rules);
        EXPECT_EQ(message_of(download_file("https://downloads.test/missing.zip", destination())),
                  c.message)
            << c.rules;
    }
}

TEST_F(Download, NoToolAtAll) {
    ToolSandbox empty; // its PATH folder holds no tool
    EXPECT_EQ(message_of(download_file(url, destination())), "Download failed: program not found");
    EXPECT_TRUE(empty.log().empty());
}

TEST_F(Download, AwkwardDestinationReachesCurlUnchangedAndPowerShellQuoted) {
    const std::string folder = "O'Brien $(calc) `tick` a;b [x] Jos\xC3\xA9\xE2\x80\xA6";
    const std::string target = destination(folder + "\\new\\it's.zip");
    sandbox.set_rules("curl.exe * status 404\n");
    EXPECT_EQ(message_of(download_file(url, target)), "");
    // PowerShell's reading of the doubled quotes put the file at the very path.
    EXPECT_EQ(read_bytes(test::u8path(target)), "archive bytes");
    const auto starts = sandbox.log();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0], test::curl_line(target, url));
    EXPECT_EQ(starts[1], test::powershell_download_line(url, target));
}

TEST_F(Download, ParentThatCannotBeCreatedIsTheOsError) {
    const fs::path blocker = sandbox.root() / "file";
    write_bytes(blocker, "x");
    const Status status = download_file(url, u8text(blocker / "sub" / "a.zip"));
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().message.find(" (os error "), std::string::npos)
        << status.error().message;
    EXPECT_TRUE(sandbox.log().empty());
}

class Verify : public ::testing::Test {
  protected:
    std::string file(std::string_view name, std::string_view content) {
        const fs::path path = sandbox.root() / test::u8path(name);
        write_bytes(path, content);
        return u8text(path);
    }
    ToolSandbox sandbox;
};

TEST_F(Verify, SizeAndDigestRules) {
    const std::string abc = file("abc.bin", "abc");
    const std::string empty = file("empty.bin", "");
    const std::string integrity(integrity_failure_message);
    struct Case {
        std::string file;
        std::uint64_t size;
        std::string digest;
        DigestAlgorithm algorithm;
        std::string message;
    };
    const std::vector<Case> cases = {
        {abc, 3, std::string(abc_sha512), sha512, ""},
        {abc, 3, std::string(abc_sha256), sha256, ""},
        {abc, 3, upper(abc_sha512), sha512, ""},
        {abc, 3, upper(abc_sha256), sha256, ""},
        {empty, 0, std::string(empty_sha256), sha256, ""},
        {empty, 0, std::string(empty_sha512), sha512, ""},
        {abc, 4, std::string(abc_sha512), sha512, "Downloaded file has 3 bytes; expected 4."},
        {abc, 2, std::string(abc_sha256), sha256, "Downloaded file has 3 bytes; expected 2."},
        {empty, 1, "", sha512, "Downloaded file has 0 bytes; expected 1."},
        {abc, 3, " " + std::string(abc_sha512), sha512, integrity},
        {abc, 3, std::string(abc_sha512) + " ", sha512, integrity},
        {abc, 3, "sha512:" + std::string(abc_sha512), sha512, integrity},
        {abc, 3, std::string(abc_sha256), sha512, integrity}, // the other algorithm's digest
        {abc, 3, std::string(abc_sha512), sha256, integrity},
        {abc, 3, std::string(empty_sha256), sha256, integrity},
        {empty, 0, "", sha256, integrity},
    };
    for (const Case& c : cases)
        EXPECT_EQ(message_of(verify_download(c.file, c.size, c.digest, c.algorithm)), c.message)
            << c.file << " " << c.size << " " << c.digest;
}

TEST_F(Verify, MissingFileIsTheOsError) {
    const std::string missing = u8text(sandbox.root() / "missing.zip");
    EXPECT_EQ(message_of(verify_download(missing, 3, std::string(abc_sha256), sha256)),
              system_error(ERROR_FILE_NOT_FOUND).message);
}

TEST_F(Verify, LargeFileIsHashedAcrossManyReads) {
    // 2.5 MiB and one byte: two full buffers and two partial reads' worth.
    std::string content(2621441, '\0');
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i % 251);
    const std::string big = file("big.bin", content);
    EXPECT_EQ(message_of(verify_download(
                  big, content.size(),
                  "89a59fd7041b7afb4c5295e206b725b2c6a457cf20e84cd66f7004ae2846177d", sha256)),
              "");
    EXPECT_EQ(message_of(verify_download(
                  big, content.size(),
                  "a998b91dbaaf099c8d49a56efb85cf2047fd90895838e3078d22417da3c441a6"
                  "51897ca25a18d597ea6a754068a172be7f5520591d1944a862b03f7d26588a01",
                  sha512)),
              "");
}

TEST(Digest, MemoryDigestsOfKnownVectors) {
    const std::string abc = "abc";
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(abc.data()),
                                              abc.size());
    struct Case {
        DigestAlgorithm algorithm;
        std::span<const std::uint8_t> input;
        std::string_view hex;
    };
    const std::vector<Case> cases = {
        {DigestAlgorithm::sha256, bytes, abc_sha256},
        {DigestAlgorithm::sha512, bytes, abc_sha512},
        {DigestAlgorithm::sha256, {}, empty_sha256},
        {DigestAlgorithm::sha512, {}, empty_sha512},
    };
    for (const Case& c : cases) {
        const auto digest = compute_digest(c.algorithm, c.input);
        ASSERT_TRUE(digest.ok()) << digest.error().message;
        EXPECT_EQ(to_lower_hex(*digest), c.hex);
    }
}

} // namespace
} // namespace velmora
