// Installs by the real program with the real curl.exe and tar.exe beside it,
// from a real web server on 127.0.0.1: tools/web-server starts this test and
// names its address in VELMORA_WEB_ORIGIN; each case steers the server with a
// serve-rules.json in its web root. Wine's own powershell.exe exits 0 doing
// nothing, so the project's stand-in stays beside the program for the cases
// that reach the fallback. Every case ends with a good run that repairs.

#include "common/path.hpp"
#include "support/harness.hpp"
#include "support/install_fixture.hpp"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

namespace velmora::test {
namespace {

using Paths = std::vector<std::string>;
const std::string version = "8.0.11";

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    if (!value)
        throw std::runtime_error(std::string(name) + " is unset: run through tools/web-server");
    return value;
}

// The fixture's URLs lead to the real server, which serves the scratch folder
// (the stand-in PowerShell reads the same paths from there); the real tools
// replace the stand-in curl.exe and tar.exe.
void use_real_tools_and_server(InstallFixture& fx) {
    const std::string scratch = join_path(build_directory(), "scratch");
    std::string path = fx.web_root.substr(scratch.size());
    std::replace(path.begin(), path.end(), '\\', '/');
    fx.origin = variable("VELMORA_WEB_ORIGIN") + path;
    fx.served_root = scratch;
    const std::string tools = join_path(build_directory(), "real-tools");
    for (const char* tool : {"curl.exe", "tar.exe"}) {
        if (!exists(join_path(tools, tool)))
            throw std::runtime_error(join_path(tools, tool) + " is missing");
        copy_file(join_path(tools, tool), join_path(fx.bin, tool));
    }
}

void serve_rules(const InstallFixture& fx, std::string_view json) {
    write_test_file(join_path(fx.web_root, "serve-rules.json"), json);
}

bool reached_powershell(const InstallFixture& fx) {
    const auto lines = fx.log_lines();
    return std::any_of(lines.begin(), lines.end(),
                       [](const LogLine& line) { return line.at(0) == "powershell.exe"; });
}

void expect_installed(const InstallFixture& fx, const InstallRun& run) {
    EXPECT_EQ(run.exit_code, 0u) << fx.report().value_or("");
    EXPECT_EQ(read_file(fx.state_file()), fx.expected_state(version));
    EXPECT_EQ(read_file(join_path(fx.launcher_directory(), "VelmoraGame.dll")),
              "VelmoraGame 1.4.0");
}

void expect_game_starts(const InstallFixture& fx) {
    const GameLaunch launch = fx.launch_installed();
    ASSERT_TRUE(launch.record) << "the game host was not started";
    EXPECT_EQ((*launch.record)["arguments"],
              nlohmann::json::array({join_path(fx.launcher_directory(), "VelmoraGame.dll")}));
}

// The launcher's update hand-off, unpacking a newer launcher with the real
// tar.exe over the installed one (no process has the id 0, so there is no wait).
void expect_update_applied(const InstallFixture& fx) {
    const std::string archive = join_path(fx.folder, "Jo's update\\launcher 1.5.zip");
    write_test_file(
        archive, make_zip({{"VelmoraGame.dll", "VelmoraGame 1.5.0"}, {"lang/d\u00e9.json", "{}"}}));
    RunOptions options = fx.install_options();
    options.arguments = {"--apply-launcher-update", "0", archive, fx.launcher_directory()};
    const RunResult result = run_program(options);
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_TRUE(result.message_boxes.empty()) << result.message_boxes.front().text;
    EXPECT_FALSE(reached_powershell(fx)) << "the real tar.exe did not unpack the update";
    EXPECT_EQ(read_file(join_path(fx.launcher_directory(), "VelmoraGame.dll")),
              "VelmoraGame 1.5.0");
    EXPECT_TRUE(exists(join_path(fx.launcher_directory(), "lang\\d\u00e9.json")));
    EXPECT_TRUE(exists(join_path(fx.launcher_directory(), "VelmoraGame.runtimeconfig.json")));
}

void flip_a_byte(const InstallFixture& fx, std::string_view archive) {
    const std::string path = join_path(fx.web_root, "releases\\" + std::string(archive));
    std::string bytes = read_file(path).value();
    bytes[bytes.size() / 2] ^= 0x01;
    write_test_file(path, bytes);
}

struct Case {
    std::string name;
    std::string root_name = "root";
    std::string temp_name = "temp"; // the work folder, and so curl's --output, lie below it
    std::string rules = "{}";       // the server's serve-rules.json
    std::string curlrc = "";        // a .curlrc in the user's profile, when not empty
    std::function<void(Release&)> shape = [](Release&) {};
    std::function<void(const InstallFixture&)> damage = [](const InstallFixture&) {};
    std::string report = ""; // empty when the install succeeds
    bool falls_back = false;
    std::function<void(const InstallFixture&)> then = [](const InstallFixture&) {};
};

const std::string runtime_zip = "releases/dotnet-runtime.zip";
const std::string launcher_zip = "releases/VelmoraLauncher-1.4.0.zip";

std::string rule(const std::string& path, const std::string& rule) {
    return "{\"" + path + "\": " + rule + "}";
}

const Case cases[] = {
    {.name = "AwkwardRootNonAsciiEntriesAndLaunch",
     .root_name = "Jo's Velmora \u2019\u00e9t\u00e9",
     .temp_name = "Jo's temp \u2019\u00e9",
     .shape =
         [](Release& release) {
             release.launcher.push_back({"donn\u00e9es/caf\u00e9 \u00fc.txt", "non-ASCII"});
         },
     .then =
         [](const InstallFixture& fx) {
             EXPECT_EQ(read_file(join_path(fx.launcher_directory(),
                                           "donn\u00e9es\\caf\u00e9 \u00fc.txt")),
                       "non-ASCII");
             expect_game_starts(fx);
         }},
    // Letters outside the ANSI code page, which tar reads its command line in;
    // the temporary folder inside the root, as in a user's profile.
    {.name = "RootAndTempOutsideTheCodePage",
     .root_name = "\u0416\u043e\u0440\u0430 \u738b",
     .temp_name = "\u0416\u043e\u0440\u0430 \u738b\\Temp"},
    {.name = "RedirectedManifestAndArchive",
     .rules = "{\"client/bootstrap.json\": {\"redirect\": \"client/bootstrap.json?moved\", "
              "\"times\": 1}, \"" +
              runtime_zip + "\": {\"status\": 301, \"redirect\": \"mirror/runtime.zip\"}}",
     .damage =
         [](const InstallFixture& fx) {
             make_directories(join_path(fx.web_root, "mirror"));
             copy_file(join_path(fx.web_root, "releases\\dotnet-runtime.zip"),
                       join_path(fx.web_root, "mirror\\runtime.zip"));
         }},
    {.name = "ServiceUnavailableTwiceThenServed",
     .rules = rule(launcher_zip, R"({"status": 503, "times": 2})")},
    {.name = "RetryAfterAnHourFallsBack",
     .rules = rule(launcher_zip, R"({"status": 503, "retry-after": 3600, "times": 1})"),
     .falls_back = true},
    // The stalls outlast the install's own wait: only curl's speed floor ends them.
    {.name = "StalledServerIsAskedAgainAfterAMinute",
     .rules = rule(runtime_zip, R"({"stall": 3600, "times": 1})")},
    // curl empties the file it had begun and ends with 0 when the long
    // Retry-After stops its retrying: an empty file is no download.
    {.name = "StallThenRetryAfterAnHourFallsBack",
     .rules = rule(launcher_zip, R"([{"stall": 3600, "times": 1},
                                     {"status": 503, "retry-after": 3600, "times": 1}])"),
     .falls_back = true},
    {.name = "UsersCurlrcIsNotRead", .curlrc = "include\n"},
    {.name = "ArchiveNotFound",
     .damage =
         [](const InstallFixture& fx) {
             remove_test_tree(join_path(fx.web_root, "releases\\windowsdesktop-runtime.zip"));
         },
     .report = "Download failed with exit code 1",
     .falls_back = true},
    {.name = "BodyCutShortIsFetchedAgainByPowerShell",
     .rules = rule(runtime_zip, R"({"cut": 200})"),
     .falls_back = true},
    {.name = "WrongByte",
     .damage = [](const InstallFixture& fx) { flip_a_byte(fx, "VelmoraLauncher-1.4.0.zip"); },
     .report = "A downloaded file failed its integrity check."},
    {.name = "EntryEscapingTheLauncherFolder",
     .shape =
         [](Release& release) {
             release.launcher.push_back({"../outside.txt", "escaped"});
         },
     .report = "Archive extraction failed with exit code 1.",
     .falls_back = true},
    {.name = "UpdateHandOffOverTheInstalledLauncher", .then = expect_update_applied},
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class RealTools : public ::testing::TestWithParam<Case> {};

TEST_P(RealTools, InstallThenRepair) {
    const Case& c = GetParam();
    InstallFixture fx(c.root_name, c.temp_name);
    use_real_tools_and_server(fx);
    if (!c.curlrc.empty()) {
        const std::string profile = join_path(fx.folder, "profile");
        write_test_file(join_path(profile, ".curlrc"), c.curlrc);
        fx.more_environment = {{"USERPROFILE", profile}};
    }
    Release release = standard_release(version);
    c.shape(release);
    fx.publish(release);
    serve_rules(fx, c.rules);
    c.damage(fx);

    const InstallRun run = fx.install();
    if (c.report.empty()) {
        expect_installed(fx, run);
    } else {
        EXPECT_EQ(run.exit_code, 1u);
        EXPECT_EQ(fx.report(), c.report);
    }
    EXPECT_EQ(reached_powershell(fx), c.falls_back);
    for (const std::string& path : tree_of(fx.folder))
        EXPECT_EQ(path.find("outside.txt"), std::string::npos) << path;
    c.then(fx);

    // A good release and a damaged launcher: the next run repairs.
    remove_test_tree(join_path(fx.web_root, "mirror"));
    fx.publish(standard_release(version));
    serve_rules(fx, "{}");
    remove_test_tree(join_path(fx.launcher_directory(), "VelmoraGame.dll"));
    expect_installed(fx, fx.install());
}

INSTANTIATE_TEST_SUITE_P(Cases, RealTools, ::testing::ValuesIn(cases),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace velmora::test
