// The headless install of the real program against a test web root: what it
// downloads and unpacks, in which order, what it leaves on disk after success
// and after each kind of failure, and whether the installed copy starts the
// game.

#include "common/path.hpp"
#include "common/text_win.hpp"
#include "install/extract.hpp"
#include "support/harness.hpp"
#include "support/install_fixture.hpp"
#include "support/message_box.hpp"
#include "support/tool_sandbox.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace velmora::test {
namespace {

using Lines = std::vector<LogLine>;
using Paths = std::vector<std::string>;

constexpr std::string_view version = "8.0.11";

std::string report_of(const InstallFixture& fx) {
    return fx.report().value_or("(no error report)");
}

// Relative paths of the standard release's runtime once installed.
Paths standard_runtime_tree(std::string_view v) {
    const std::string s(v);
    return {"dotnet.exe",
            "host",
            "host\\fxr",
            "host\\fxr\\" + s,
            "host\\fxr\\" + s + "\\hostfxr.dll",
            "shared",
            "shared\\Microsoft.NETCore.App",
            "shared\\Microsoft.NETCore.App\\" + s,
            "shared\\Microsoft.NETCore.App\\" + s + "\\System.Runtime.dll",
            "shared\\Microsoft.WindowsDesktop.App",
            "shared\\Microsoft.WindowsDesktop.App\\" + s,
            "shared\\Microsoft.WindowsDesktop.App\\" + s + "\\PresentationCore.dll"};
}

// The tool starts of a run that installs the runtime and then the launcher.
Lines full_install_log(const InstallFixture& fx, DWORD pid, std::string_view v,
                       std::string_view launcher_version = "1.4.0") {
    const std::string work = fx.work_directory(pid);
    const std::string staging = fx.staging_directory(fx.runtime_directory(v), pid);
    const std::string launcher = "VelmoraLauncher-" + std::string(launcher_version) + ".zip";
    return {
        curl_line(join_path(work, "bootstrap.json"), fx.manifest_url()),
        curl_line(join_path(work, "dotnet-runtime.zip"), fx.url_of("releases/dotnet-runtime.zip")),
        curl_line(join_path(work, "windowsdesktop-runtime.zip"),
                  fx.url_of("releases/windowsdesktop-runtime.zip")),
        tar_line(join_path(work, "dotnet-runtime.zip"), staging),
        tar_line(join_path(work, "windowsdesktop-runtime.zip"), staging),
        curl_line(join_path(work, launcher), fx.url_of("releases/" + launcher)),
        tar_line(join_path(work, launcher), fx.launcher_directory())};
}

// The tool starts of a run that finds the runtime installed.
Lines launcher_only_log(const InstallFixture& fx, DWORD pid) {
    const std::string work = fx.work_directory(pid);
    const std::string archive = join_path(work, "VelmoraLauncher-1.4.0.zip");
    return {curl_line(join_path(work, "bootstrap.json"), fx.manifest_url()),
            curl_line(archive, fx.url_of("releases/VelmoraLauncher-1.4.0.zip")),
            tar_line(archive, fx.launcher_directory())};
}

std::string environment_value(const nlohmann::json& record, std::string_view name) {
    for (const auto& pair : record.at("environment"))
        if (_stricmp(pair.at(0).get<std::string>().c_str(), std::string(name).c_str()) == 0)
            return pair.at(1).get<std::string>();
    return "(absent)";
}

// The installed Velmora.exe starts the private host with the game.
void expect_game_starts(const InstallFixture& fx, std::string_view v) {
    const GameLaunch launch = fx.launch_installed();
    EXPECT_EQ(launch.run.exit_code, 0u);
    ASSERT_TRUE(launch.run.message_boxes.empty()) << launch.run.message_boxes.front().text;
    ASSERT_TRUE(launch.record) << "the game host was not started";
    const std::string game = join_path(fx.launcher_directory(), "VelmoraGame.dll");
    EXPECT_EQ(launch.record->at("arguments"), nlohmann::json::array({game}));
    EXPECT_EQ(launch.record->at("workingDirectory"), fx.launcher_directory());
    EXPECT_EQ(environment_value(*launch.record, "DOTNET_ROOT"), fx.runtime_directory(v));
}

// The entries at most `depth` levels down.
Paths top_of(Paths tree, std::size_t depth) {
    std::erase_if(tree, [&](const std::string& p) {
        return static_cast<std::size_t>(std::count(p.begin(), p.end(), '\\')) >= depth;
    });
    return tree;
}

void expect_success(const InstallFixture& fx, const InstallRun& run, std::string_view v) {
    EXPECT_EQ(run.exit_code, 0u) << report_of(fx);
    EXPECT_EQ(read_file(fx.state_file()), fx.expected_state(v));
    EXPECT_FALSE(exists(fx.work_directory(run.process_id)));
    EXPECT_EQ(read_file(join_path(fx.launcher_directory(), "Velmora.exe")),
              read_file(program_under_test()));
}

TEST(HeadlessInstall, FreshInstallDownloadsUnpacksCopiesAndRecords) {
    InstallFixture fx;
    fx.publish(standard_release());
    const InstallRun run = fx.install();

    expect_success(fx, run, version);
    EXPECT_EQ(fx.log_lines(), full_install_log(fx, run.process_id, version));
    EXPECT_EQ(tree_of(fx.runtime_directory(version)), standard_runtime_tree(version));
    EXPECT_EQ(tree_of(fx.launcher_directory()),
              (Paths{"Velmora.exe", "VelmoraGame.dll", "VelmoraGame.runtimeconfig.json"}));
    // No staging directory is left beside the runtime.
    EXPECT_EQ(top_of(tree_of(join_path(fx.install_root, "Velmora")), 2),
              (Paths{"dotnet", "dotnet\\8.0.11", "state", "state\\bootstrap.json"}));
    EXPECT_FALSE(exists(fx.report_file()));
    EXPECT_EQ(tree_of(fx.temp), Paths{});
    expect_game_starts(fx, version);
}

// A failing install: what it is given, what it must report, which tools it
// must have started, and what it must leave on disk.
struct Failure {
    std::string name;
    // Publishes the faulty release; returns the expected report.
    std::function<std::string(InstallFixture&)> arrange;
    std::function<Lines(const InstallFixture&, DWORD)> expected_log;
    std::function<void(const InstallFixture&, DWORD)> check_disk;
};

class FailedInstall : public ::testing::TestWithParam<Failure> {};

TEST_P(FailedInstall, ReportsAndLeavesTheDocumentedState) {
    InstallFixture fx;
    const std::string message = GetParam().arrange(fx);

    const InstallRun run = fx.install();

    EXPECT_EQ(run.exit_code, 1u);
    EXPECT_EQ(fx.report(), message);
    EXPECT_EQ(fx.log_lines(), GetParam().expected_log(fx, run.process_id));
    // Nothing of the run is left to fill the disk on the next try.
    EXPECT_FALSE(exists(fx.work_directory(run.process_id)));
    EXPECT_FALSE(exists(fx.staging_directory(fx.runtime_directory(version), run.process_id)));
    GetParam().check_disk(fx, run.process_id);
}

Lines first_lines(Lines lines, std::size_t count) {
    lines.resize(count);
    return lines;
}

// The log of a full install cut after its first `count` tool starts.
std::function<Lines(const InstallFixture&, DWORD)> full_log_up_to(std::size_t count) {
    return [count](const InstallFixture& fx, DWORD pid) {
        return first_lines(full_install_log(fx, pid, version), count);
    };
}

// Only the work directory and the report were written.
void nothing_installed(const InstallFixture& fx, DWORD) {
    EXPECT_EQ(tree_of(fx.install_root), Paths{"VelmoraSetup-error.txt"});
}

// The runtime was installed, nothing after it.
void runtime_only(const InstallFixture& fx, DWORD) {
    EXPECT_EQ(tree_of(fx.runtime_directory(version)), standard_runtime_tree(version));
    EXPECT_FALSE(exists(fx.launcher_directory()));
    EXPECT_FALSE(exists(fx.state_file()));
}

// The log of a full install up to the launcher's download, which PowerShell tries again.
Lines launcher_download_falls_back(const InstallFixture& fx, DWORD pid) {
    Lines lines = first_lines(full_install_log(fx, pid, version), 6);
    lines.push_back(
        powershell_download_line(fx.url_of("releases/VelmoraLauncher-1.4.0.zip"),
                                 join_path(fx.work_directory(pid), "VelmoraLauncher-1.4.0.zip")));
    return lines;
}

Release without(Release release, std::string_view name) {
    std::erase_if(release.runtime, [&](const ZipItem& e) { return e.name == name; });
    return release;
}

// Folders left by another setup: one whose process has ended (no process
// has an id this large), one of a process that runs (this test).
constexpr DWORD ended_setup = 4000000000u;

Paths leftovers_of(const InstallFixture& fx, DWORD pid) {
    return {join_path(fx.work_directory(pid), "dotnet-runtime.zip"),
            join_path(fx.staging_directory(fx.runtime_directory(version), pid), "dotnet.exe")};
}

const Failure failures[] = {
    {"ManifestDownloadBesideOtherSetupsLeftovers",
     [](InstallFixture& fx) {
         fx.publish(standard_release());
         fx.set_rules(
             "curl.exe bootstrap.json status 404\npowershell.exe bootstrap.json status 404\n");
         for (const DWORD pid : {ended_setup, ::GetCurrentProcessId()})
             for (const std::string& file : leftovers_of(fx, pid))
                 write_test_file(file, "another setup's");
         return std::string("Download failed with exit code 1");
     },
     [](const InstallFixture& fx, DWORD pid) {
         const std::string manifest = join_path(fx.work_directory(pid), "bootstrap.json");
         return Lines{curl_line(manifest, fx.manifest_url()),
                      powershell_download_line(fx.manifest_url(), manifest)};
     },
     [](const InstallFixture& fx, DWORD) {
         EXPECT_FALSE(exists(fx.work_directory(ended_setup)));
         EXPECT_FALSE(exists(fx.staging_directory(fx.runtime_directory(version), ended_setup)));
         for (const std::string& file : leftovers_of(fx, ::GetCurrentProcessId()))
             EXPECT_EQ(read_file(file), "another setup's") << file;
     }},
    {"RuntimeArchiveOneByteShort",
     [](InstallFixture& fx) {
         const auto manifest = fx.publish(standard_release());
         const std::uint64_t size = manifest["dotnetSize"];
         fx.set_rules("curl.exe dotnet-runtime.zip short " + std::to_string(size - 1) + "\n");
         return "Downloaded file has " + std::to_string(size - 1) + " bytes; expected " +
                std::to_string(size) + ".";
     },
     full_log_up_to(2), nothing_installed},
    {"DesktopArchiveWithWrongDigest",
     [](InstallFixture& fx) {
         auto manifest = fx.publish(standard_release());
         manifest["dotnetDesktopSha512"] = sha512_hex("another archive");
         fx.publish_manifest(manifest.dump(2));
         return std::string("A downloaded file failed its integrity check.");
     },
     full_log_up_to(3), nothing_installed},
    {"LauncherDigestOfTheOtherAlgorithm",
     [](InstallFixture& fx) {
         auto manifest = fx.publish(standard_release());
         const std::string archive =
             *read_file(join_path(fx.web_root, "releases\\VelmoraLauncher-1.4.0.zip"));
         manifest["launcherSha256"] = sha512_hex(archive);
         fx.publish_manifest(manifest.dump(2));
         return std::string("A downloaded file failed its integrity check.");
     },
     full_log_up_to(6), runtime_only},
    // Run after an earlier run of the same process id, whose work and
    // staging folders must not mix with this run's.
    {"RuntimeArchiveWithoutHost",
     [](InstallFixture& fx) {
         fx.publish(without(standard_release(), "dotnet.exe"));
         write_test_file(join_path(fx.runtime_directory(version), "earlier.txt"), "earlier");
         fx.before_start = [&fx](DWORD pid) {
             for (const auto& folder : {fx.work_directory(pid),
                                        fx.staging_directory(fx.runtime_directory(version), pid)})
                 write_test_file(join_path(folder, "earlier-run.txt"), "left by an earlier run");
         };
         return std::string("The Microsoft runtime archive has an unexpected layout.");
     },
     full_log_up_to(5),
     [](const InstallFixture& fx, DWORD) {
         EXPECT_EQ(tree_of(fx.runtime_directory(version)), Paths{"earlier.txt"});
         EXPECT_FALSE(exists(fx.launcher_directory()));
         EXPECT_FALSE(exists(fx.state_file()));
     }},
    {"RuntimeExtractionFailsWithBothTools",
     [](InstallFixture& fx) {
         fx.publish(standard_release());
         fx.set_rules("tar.exe dotnet-runtime exit 1\npowershell.exe dotnet-runtime exit 1\n");
         return std::string("Archive extraction failed with exit code 1.");
     },
     [](const InstallFixture& fx, DWORD pid) {
         Lines lines = full_install_log(fx, pid, version);
         lines.resize(4);
         const std::string archive = join_path(fx.work_directory(pid), "dotnet-runtime.zip");
         const std::string staging = fx.staging_directory(fx.runtime_directory(version), pid);
         lines.push_back(powershell_line(expand_archive_command(archive, staging)));
         return lines;
     },
     [](const InstallFixture& fx, DWORD) {
         EXPECT_FALSE(exists(fx.runtime_directory(version)));
         EXPECT_FALSE(exists(fx.state_file()));
     }},
    {"LauncherDownloadFailsAfterRuntimeInstall",
     [](InstallFixture& fx) {
         fx.publish(standard_release());
         fx.set_rules("curl.exe VelmoraLauncher status 404\n"
                      "powershell.exe VelmoraLauncher status 404\n");
         return std::string("Download failed with exit code 1");
     },
     launcher_download_falls_back, runtime_only},
    {"LauncherFailureKeepsTheEarlierState",
     [](InstallFixture& fx) {
         fx.publish(standard_release());
         write_test_file(fx.state_file(), "earlier state");
         fx.set_rules("curl.exe VelmoraLauncher exit 7\npowershell.exe VelmoraLauncher exit 1\n");
         return std::string("Download failed with exit code 1");
     },
     launcher_download_falls_back,
     [](const InstallFixture& fx, DWORD) {
         EXPECT_EQ(tree_of(fx.runtime_directory(version)), standard_runtime_tree(version));
         EXPECT_EQ(read_file(fx.state_file()), "earlier state");
     }},
};

INSTANTIATE_TEST_SUITE_P(Steps, FailedInstall, ::testing::ValuesIn(failures),
                         [](const auto& info) { return info.param.name; });

TEST(HeadlessInstall, SecondRunSkipsTheRuntimeAndRenewsTheRest) {
    InstallFixture fx;
    fx.publish(standard_release());
    ASSERT_EQ(fx.install().exit_code, 0u) << report_of(fx);
    const std::string runtime = fx.runtime_directory(version);
    const std::string launcher = fx.launcher_directory();
    write_test_file(join_path(runtime, "untouched.txt"), "a skipped runtime is not replaced");
    write_test_file(join_path(launcher, "EarlierPlugin.dll"), "earlier launcher");
    write_test_file(join_path(launcher, "VelmoraGame.dll"), "damaged");
    write_test_file(join_path(launcher, "Velmora.exe"), "stale copy");
    write_test_file(fx.state_file(), "{}");
    write_test_file(fx.report_file(), "from an earlier failed run");
    fx.clear_log();

    const InstallRun second = fx.install();

    expect_success(fx, second, version);
    EXPECT_EQ(fx.log_lines(), launcher_only_log(fx, second.process_id));
    EXPECT_EQ(fx.report(), "from an earlier failed run");
    EXPECT_EQ(read_file(join_path(runtime, "untouched.txt")), "a skipped runtime is not replaced");
    EXPECT_EQ(read_file(join_path(launcher, "EarlierPlugin.dll")), "earlier launcher");
    EXPECT_EQ(read_file(join_path(launcher, "VelmoraGame.dll")), "VelmoraGame 1.4.0");
    expect_game_starts(fx, version);
}

// A Velmora.exe left open in its error box cannot be replaced, but a repair
// moves it aside and copies anew; the next run removes what was moved aside.
TEST(HeadlessInstall, RepairSucceedsWhileVelmoraExeWaitsInItsErrorBox) {
    InstallFixture fx;
    fx.publish(standard_release());
    ASSERT_EQ(fx.install().exit_code, 0u) << report_of(fx);
    ASSERT_TRUE(::DeleteFileW(widen(fx.state_file()).c_str()));
    RunOptions options;
    options.program = join_path(fx.launcher_directory(), "Velmora.exe");
    options.environment = fx.environment();
    {
        RunningProgram open_copy(options);
        ASSERT_TRUE(wait_for_message_box(open_copy.process_id(), "Velmora Setup", 60s))
            << "Velmora.exe showed no error box";

        expect_success(fx, fx.install(), version);
        open_copy.kill();
    }
    expect_success(fx, fx.install(), version);
    for (const auto& entry : std::filesystem::directory_iterator(u8path(fx.launcher_directory())))
        EXPECT_FALSE(u8text(entry.path().filename()).starts_with("Velmora.exe.old-"))
            << u8text(entry.path());
    expect_game_starts(fx, version);
}

TEST(HeadlessInstall, CopyOfAReadOnlySetupFileStaysReplaceable) {
    InstallFixture fx;
    fx.publish(standard_release());
    const std::wstring copy = widen(join_path(fx.launcher_directory(), "Velmora.exe"));
    ASSERT_TRUE(::SetFileAttributesW(widen(fx.program).c_str(), FILE_ATTRIBUTE_READONLY));
    expect_success(fx, fx.install(), version);
    EXPECT_FALSE(::GetFileAttributesW(copy.c_str()) & FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(::SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_READONLY)); // an older run's
    expect_success(fx, fx.install(), version);
}

struct Damage {
    std::string name;
    std::string removed; // below the runtime directory
};

class RuntimeRepair : public ::testing::TestWithParam<Damage> {};

TEST_P(RuntimeRepair, RuntimeMissingAMarkerIsInstalledAgainWhole) {
    InstallFixture fx;
    fx.publish(standard_release());
    ASSERT_EQ(fx.install().exit_code, 0u) << report_of(fx);
    const std::string runtime = fx.runtime_directory(version);
    remove_test_tree(join_path(runtime, GetParam().removed));
    write_test_file(join_path(runtime, "leftover.txt"), "from the damaged runtime");
    fx.clear_log();

    const InstallRun second = fx.install();

    expect_success(fx, second, version);
    EXPECT_EQ(fx.log_lines(), full_install_log(fx, second.process_id, version));
    EXPECT_EQ(tree_of(runtime), standard_runtime_tree(version));
    expect_game_starts(fx, version);
}

INSTANTIATE_TEST_SUITE_P(Markers, RuntimeRepair,
                         ::testing::Values(Damage{"DesktopFramework",
                                                  "shared\\Microsoft.WindowsDesktop.App\\8.0.11"},
                                           Damage{"Host", "dotnet.exe"}),
                         [](const auto& info) { return info.param.name; });

TEST(HeadlessInstall, DesktopFrameworkOfAnotherVersionIsInstalledOnEveryRun) {
    InstallFixture fx;
    Release release = standard_release();
    release.desktop = {{"shared/Microsoft.WindowsDesktop.App/8.0.10/PresentationCore.dll", "x"}};
    fx.publish(release);
    ASSERT_EQ(fx.install().exit_code, 0u) << report_of(fx);
    fx.clear_log();

    const InstallRun second = fx.install();

    expect_success(fx, second, version);
    EXPECT_EQ(fx.log_lines(), full_install_log(fx, second.process_id, version));
}

TEST(HeadlessInstall, RuntimeOfAnotherVersionStaysBesideTheNewOne) {
    InstallFixture fx;
    fx.publish(standard_release("8.0.11"));
    ASSERT_EQ(fx.install().exit_code, 0u) << report_of(fx);
    fx.publish(standard_release("9.0.1"));
    fx.clear_log();

    const InstallRun second = fx.install();

    expect_success(fx, second, "9.0.1");
    EXPECT_EQ(fx.log_lines(), full_install_log(fx, second.process_id, "9.0.1"));
    EXPECT_EQ(tree_of(fx.runtime_directory("8.0.11")), standard_runtime_tree("8.0.11"));
    EXPECT_EQ(tree_of(fx.runtime_directory("9.0.1")), standard_runtime_tree("9.0.1"));
    expect_game_starts(fx, "9.0.1");
}

TEST(HeadlessInstall, LeavesWorkAndStagingFoldersOfRunningSetupsAlone) {
    InstallFixture fx;
    fx.publish(standard_release());
    const Paths others = leftovers_of(fx, ::GetCurrentProcessId()); // a running setup's
    for (const auto& file : others)
        write_test_file(file, "another process's");

    const InstallRun run = fx.install();

    expect_success(fx, run, version);
    for (const auto& file : others)
        EXPECT_EQ(read_file(file), "another process's") << file;
}

TEST(HeadlessInstall, EmptyTestRootIsTheStartFolderRecordedInFull) {
    InstallFixture fx;
    fx.publish(standard_release());
    RunOptions options = fx.install_options();
    options.environment.push_back({"VELMORA_TEST_ROOT", ""});
    options.working_directory = fx.install_root;
    EXPECT_EQ(run_program(options).exit_code, 0u) << report_of(fx);
    EXPECT_EQ(read_file(fx.state_file()), fx.expected_state(version));
}

TEST(HeadlessInstall, AcceptsUpperCaseDigests) {
    InstallFixture fx;
    nlohmann::ordered_json manifest = fx.publish(standard_release());
    for (const char* field : {"launcherSha256", "dotnetSha512", "dotnetDesktopSha512"}) {
        std::string digest = manifest[field];
        std::transform(digest.begin(), digest.end(), digest.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        manifest[field] = digest;
    }
    fx.publish_manifest(manifest.dump());

    expect_success(fx, fx.install(), version);
}

// Awkward user folders, with every tool working and with PowerShell doing
// all downloads and extractions (where each kind of apostrophe must be doubled).
struct Folders {
    std::string name;
    std::string rules;
};

class AwkwardFolders : public ::testing::TestWithParam<Folders> {};

TEST_P(AwkwardFolders, InstallAndLaunch) {
    InstallFixture fx("Jo's O\u2019Brien \u00dcbung", "T\u00ebmp f\u00f6lder 'x'");
    fx.publish(standard_release());
    fx.set_rules(GetParam().rules);

    const InstallRun run = fx.install();

    expect_success(fx, run, version);
    EXPECT_EQ(tree_of(fx.runtime_directory(version)), standard_runtime_tree(version));
    if (GetParam().rules.empty()) {
        // curl.exe and tar.exe did every job: PowerShell starts only after a failed tool.
        EXPECT_EQ(fx.log_lines(), full_install_log(fx, run.process_id, version));
    }
    fx.set_rules("");
    expect_game_starts(fx, version);
}

INSTANTIATE_TEST_SUITE_P(Tools, AwkwardFolders,
                         ::testing::Values(Folders{"CurlAndTar", ""},
                                           Folders{"PowerShellOnly",
                                                   "curl.exe * exit 7\ntar.exe * exit 1\n"}),
                         [](const auto& info) { return info.param.name; });

// tar reads its command line through the ANSI code page, where these letters
// are '?': it is given paths relative to the folder that holds the work folder
// and the install root, and starts in that folder.
TEST(HeadlessInstall, TarGetsPathsOutsideTheCodePageRelativeToTheirCommonFolder) {
    InstallFixture fx("\u0416\u043e\u0440\u0430 \u738b", "\u0416\u043e\u0440\u0430 \u738b\\Temp");
    fx.publish(standard_release());

    const InstallRun run = fx.install();

    expect_success(fx, run, version);
    const std::string work = "Temp\\VelmoraSetup-" + std::to_string(run.process_id);
    const std::string staging = "Velmora\\dotnet\\8.0.staging-" + std::to_string(run.process_id);
    Lines tar_starts = fx.log_lines();
    std::erase_if(tar_starts, [](const LogLine& line) { return line.at(0) != "tar.exe"; });
    EXPECT_EQ(tar_starts,
              (Lines{tar_line(join_path(work, "dotnet-runtime.zip"), staging),
                     tar_line(join_path(work, "windowsdesktop-runtime.zip"), staging),
                     tar_line(join_path(work, "VelmoraLauncher-1.4.0.zip"), "Programs\\Velmora")}));
}

TEST(HeadlessInstall, RunKilledWhileFetchingTheLauncherIsCompletedByTheNextRun) {
    InstallFixture fx;
    fx.publish(standard_release());
    const std::string gate = join_path(fx.folder, "open-launcher-download");
    fx.set_rules("curl.exe VelmoraLauncher gate " + gate + "\n");
    DWORD killed_pid = 0;
    {
        RunningProgram running(fx.install_options());
        killed_pid = running.process_id();
        ASSERT_TRUE(wait_for_file(gate + ".waiting", 120s)) << "the launcher download never began";
        running.kill();
    }
    write_test_file(gate, ""); // frees a stand-in that outlived the kill
    fx.set_rules("");
    EXPECT_FALSE(exists(fx.state_file()));
    fx.clear_log();

    const InstallRun second = fx.install();

    expect_success(fx, second, version);
    // The runtime finished before the kill and counts as installed.
    EXPECT_EQ(fx.log_lines(), launcher_only_log(fx, second.process_id));
    EXPECT_FALSE(exists(fx.work_directory(killed_pid))) << "the killed setup's folder stays";
    expect_game_starts(fx, version);
}

// One setup at a time per install root: a second install while the first
// is fetching its manifest ends at once with its own report, and the first
// goes on undisturbed.
TEST(HeadlessInstall, SecondInstallAtOnceIsRefusedAndTheFirstCompletes) {
    InstallFixture fx;
    fx.publish(standard_release());
    const std::string gate = join_path(fx.folder, "open-manifest-download");
    fx.set_rules("curl.exe bootstrap.json gate " + gate + "\n");
    RunningProgram first(fx.install_options());
    ASSERT_TRUE(wait_for_file(gate + ".waiting", 120s)) << "the manifest download never began";

    const InstallRun second = fx.install();
    EXPECT_EQ(second.exit_code, 1u);
    EXPECT_EQ(fx.report().value_or(""), "Another Velmora setup is running.");
    EXPECT_FALSE(exists(fx.work_directory(second.process_id)));
    // A setup window started meanwhile finds no window to raise, and says so.
    RunOptions window = fx.install_options();
    window.arguments.clear();
    const RunResult opened = run_program(window);
    ASSERT_EQ(opened.message_boxes.size(), 1u);
    EXPECT_EQ(opened.message_boxes[0].text, "Another Velmora setup is running.");

    write_test_file(gate, "");
    const auto first_code = first.wait(240s);
    ASSERT_TRUE(first_code) << "the first install did not end in time";
    EXPECT_EQ(*first_code, 0u) << report_of(fx);
    EXPECT_EQ(read_file(fx.state_file()), fx.expected_state(version));
    expect_game_starts(fx, version);
}

} // namespace
} // namespace velmora::test
