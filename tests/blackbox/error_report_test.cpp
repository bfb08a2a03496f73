// The error report file of a failed headless install. The failures are made
// by the stand-in download tools: curl.exe finds nothing in an empty web root,
// and powershell.exe, the second attempt, exits with the code a rule gives it,
// which the program reports as "Download failed with exit code N".
#include "common/path.hpp"
#include "common/text_win.hpp"
#include "support/fault_injection.hpp"
#include "support/harness.hpp"
#include "support/process_run.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace velmora::test {
namespace {

constexpr const char* report_name = "VelmoraSetup-error.txt";

struct Headless {
    std::string scratch = fresh_scratch_folder();
    std::string root = join_path(scratch, "Jo's Velmora Ünïcode");
    std::string temp = join_path(scratch, "temp");
    std::string web = join_path(scratch, "web");
    std::string rules = join_path(scratch, "rules.txt");
    RunOptions options;

    Headless() {
        make_directories(root);
        make_directories(temp);
        make_directories(web);
        const std::string bin = join_path(scratch, "bin");
        place_stand_ins(bin, {"curl", "powershell"});
        options.program = place_program(bin, "setup.exe");
        options.arguments = {"--install-headless"};
        options.environment = {
            {"VELMORA_TEST_ROOT", root},
            {"LOCALAPPDATA", std::nullopt},
            {"TEMP", temp},
            {"TMP", temp},
            {"VELMORA_BOOTSTRAP_URL", "http://velmora.test/client/bootstrap.json"},
            {"VELMORA_STANDIN_WEB_ROOT", web},
            {"VELMORA_STANDIN_RULES", rules}};
    }

    // Runs once with PowerShell exiting with `code`; expects exit 1 and no box.
    void fail_with(const std::string& code) {
        write_test_file(rules, "powershell.exe * exit " + code + "\n");
        const RunResult run = run_program(options);
        EXPECT_EQ(run.exit_code, 1u);
        EXPECT_TRUE(run.message_boxes.empty())
            << "a headless install shows nothing: " << run.message_boxes.front().text;
    }
};

TEST(ErrorReport, HoldsExactlyTheMessageInTheInstallRoot) {
    Headless headless;
    headless.fail_with("5");
    EXPECT_EQ(read_file(join_path(headless.root, report_name)), "Download failed with exit code 5");
    EXPECT_FALSE(exists(join_path(headless.temp, report_name)));
}

TEST(ErrorReport, LaterFailureReplacesTheWholeEarlierReport) {
    Headless headless;
    headless.fail_with("3221225477"); // the longer message comes first
    EXPECT_EQ(read_file(join_path(headless.root, report_name)),
              "Download failed with exit code -1073741819");
    headless.fail_with("7");
    EXPECT_EQ(read_file(join_path(headless.root, report_name)), "Download failed with exit code 7");
}

TEST(ErrorReport, MissingInstallRootIsCreatedForTheReport) {
    Headless headless;
    const std::string missing = join_path(headless.scratch, "missing root\\below");
    headless.options.environment.push_back({"VELMORA_TEST_ROOT", missing});
    headless.fail_with("5");
    EXPECT_EQ(read_file(join_path(missing, report_name)), "Download failed with exit code 5");
    EXPECT_FALSE(exists(join_path(headless.temp, report_name)));
}

TEST(ErrorReport, ReadOnlyHiddenReportIsReplaced) {
    Headless headless;
    const std::string report = join_path(headless.root, report_name);
    write_test_file(report, "from an earlier run");
    const std::wstring wide = widen(report);
    ASSERT_TRUE(
        ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    headless.fail_with("5");
    EXPECT_EQ(read_file(report), "Download failed with exit code 5");
    EXPECT_EQ(
        ::GetFileAttributesW(wide.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
}

TEST(ErrorReport, FullDiskLeavesNoFileBehind) {
    const std::string shell = join_path(build_directory(), "shell");
    make_directories(shell);
    SmallDisks::release_leftovers(join_path(build_directory(), "scratch"), shell);
    Headless headless;
    const std::string root = join_path(headless.scratch, "full disk"); // no quote for the shell
    headless.options.environment.push_back({"VELMORA_TEST_ROOT", root});
    const SmallDisks disk({root}, 1u << 20, shell);
    if (!disk.mounted()) {
        if (skips_allowed())
            GTEST_SKIP() << disk.failure();
        FAIL() << "cannot set up the full disk: " << disk.failure();
    }
    ASSERT_EQ(fill_disk(root), static_cast<DWORD>(ERROR_DISK_FULL));
    headless.fail_with("5");
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(widen(root)))
        left.push_back(narrow(entry.path().filename().wstring()));
    EXPECT_EQ(left, std::vector<std::string>{"filler.bin"});
}

TEST(ErrorReport, WithoutAnyInstallRootGoesToTheTemporaryFolder) {
    Headless headless;
    headless.options.environment.push_back({"VELMORA_TEST_ROOT", std::nullopt});
    headless.fail_with("5");
    // Known before anything is fetched.
    EXPECT_EQ(read_file(join_path(headless.temp, report_name)), "LOCALAPPDATA is unavailable");
    EXPECT_FALSE(exists(join_path(headless.root, report_name)));
}

TEST(ErrorReport, NonAsciiMessageIsWrittenAsUtf8) {
    Headless headless;
    // A manifest that is a JSON string: the reader quotes it in its description.
    write_test_file(join_path(join_path(headless.web, "client"), "bootstrap.json"),
                    "\"Jo's Ünïcode ✓ 東京\"");
    write_test_file(headless.rules, "");
    const RunResult run = run_program(headless.options);
    EXPECT_EQ(run.exit_code, 1u);
    const auto report = read_file(join_path(headless.root, report_name));
    ASSERT_TRUE(report);
    EXPECT_TRUE(report->starts_with("Invalid setup manifest: ")) << *report;
    EXPECT_NE(report->find("\"Jo's Ünïcode ✓ 東京\""), std::string::npos) << *report;
    EXPECT_FALSE(report->ends_with("\n")) << "no line ending";
}

} // namespace
} // namespace velmora::test
