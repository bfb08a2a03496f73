// The launch mode against an installation laid out as the installer lays it
// out, below a root whose path has blanks, an apostrophe and non-ASCII
// letters; the stand-in host records how the game was started.
#include "common/path.hpp"
#include "support/dotnet_record.hpp"
#include "support/harness.hpp"
#include "support/process_run.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <regex>

namespace velmora::test {
namespace {

struct Installation {
    std::string scratch;
    std::string root;
    std::string dotnet_root;
    std::string launcher_directory;
    std::string host() const { return join_path(dotnet_root, "dotnet.exe"); }
    std::string game() const { return join_path(launcher_directory, "VelmoraGame.dll"); }
    std::string record() const { return join_path(scratch, "dotnet-record.json"); }
    std::string log() const { return join_path(scratch, "starts.log"); }
};

Installation install_fixture() {
    Installation installation;
    installation.scratch = fresh_scratch_folder();
    installation.root = join_path(installation.scratch, "Jo's Velmora Ünïcode");
    installation.dotnet_root =
        join_path(join_path(join_path(installation.root, "Velmora"), "dotnet"), "8.0.0");
    installation.launcher_directory =
        join_path(join_path(installation.root, "Programs"), "Velmora");
    place_stand_ins(installation.dotnet_root, {"dotnet"});
    write_test_file(installation.game(), "not really an assembly");
    write_state_file(installation.root, installation.dotnet_root, installation.launcher_directory);
    return installation;
}

RunOptions launch_options(const Installation& installation) {
    RunOptions options;
    options.program = place_program(join_path(installation.scratch, "bin"), "setup.exe");
    options.arguments = {"--launch"};
    options.environment = {{"VELMORA_TEST_ROOT", installation.root},
                           {std::string(dotnet_record_variable), installation.record()},
                           {"VELMORA_STANDIN_LOG", installation.log()},
                           {"VELMORA_STANDIN_RULES", std::nullopt},
                           {"VELMORA_PASS_THROUGH", "unchanged ü = x;y"}};
    return options;
}

// ---- successful launches ----

struct LaunchCase {
    const char* name;
    std::vector<EnvironmentChange> caller_environment;
    bool as_installed_copy; // Velmora.exe in the launcher directory, no arguments
};

class GameLaunch : public ::testing::TestWithParam<LaunchCase> {};

TEST_P(GameLaunch, StartsTheHostWithTheGameInItsFolderAndTheRuntimeSet) {
    const Installation installation = install_fixture();
    RunOptions options = launch_options(installation);
    if (GetParam().as_installed_copy) {
        options.program = place_program(installation.launcher_directory, "Velmora.exe");
        options.arguments = {};
    }
    options.environment.insert(options.environment.end(), GetParam().caller_environment.begin(),
                               GetParam().caller_environment.end());

    const RunResult run = run_program(options);
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_TRUE(run.message_boxes.empty())
        << (run.message_boxes.empty() ? "" : run.message_boxes.front().text);
    // The setup program does not wait for the game, so the record may come later.
    ASSERT_TRUE(wait_for_file(installation.record()));
    const DotnetRecord record = read_dotnet_record(installation.record());

    EXPECT_EQ(record.arguments, std::vector<std::string>{installation.game()});
    EXPECT_EQ(record.working_directory, installation.launcher_directory);
    EXPECT_EQ(values_of(record, "DOTNET_ROOT"), std::vector<std::string>{installation.dotnet_root});
    EXPECT_EQ(values_of(record, "DOTNET_ROOT_X64"),
              std::vector<std::string>{installation.dotnet_root});
    EXPECT_EQ(values_of(record, "VELMORA_PASS_THROUGH"),
              std::vector<std::string>{"unchanged ü = x;y"});
    EXPECT_EQ(values_of(record, "VELMORA_TEST_ROOT"), std::vector<std::string>{installation.root});

    const auto log = read_file(installation.log());
    ASSERT_TRUE(log);
    EXPECT_EQ(nlohmann::json::parse(*log).get<std::vector<std::string>>(),
              (std::vector<std::string>{"dotnet.exe", installation.game()}));
}

INSTANTIATE_TEST_SUITE_P(
    Callers, GameLaunch,
    ::testing::Values(
        LaunchCase{"CallerWithoutRuntimeVariables",
                   {{"DOTNET_ROOT", std::nullopt}, {"DOTNET_ROOT_X64", std::nullopt}},
                   false},
        LaunchCase{"CallerWithStaleRuntimeVariables",
                   {{"DOTNET_ROOT", R"(C:\stale)"}, {"DOTNET_ROOT_X64", R"(C:\stale x64)"}},
                   false},
        LaunchCase{"CallerWithOtherCaseNames",
                   {{"dotnet_root", R"(C:\stale)"}, {"Dotnet_Root_X64", R"(C:\stale x64)"}},
                   false},
        LaunchCase{"InstalledCopyNamedVelmora", {{"dotnet_root", R"(C:\stale)"}}, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The launch mode with the stand-in host following one rule.
RunOptions launch_options(const Installation& installation, const std::string& host_rule) {
    RunOptions options = launch_options(installation);
    const std::string rules = join_path(installation.scratch, "rules.txt");
    write_test_file(rules, "dotnet.exe * " + host_rule + "\n");
    options.environment.push_back({"VELMORA_STANDIN_RULES", rules});
    return options;
}

TEST(GameStart, HandsTheCallersStandardHandlesToTheGame) {
    const Installation installation = install_fixture();
    RunOptions options = launch_options(installation, "stdin");
    options.standard_input = join_path(installation.scratch, "in.txt");
    write_test_file(options.standard_input, "to the game ü");
    ASSERT_TRUE(run_program(options).message_boxes.empty());
    ASSERT_TRUE(wait_for_file(installation.record()));
    EXPECT_EQ(read_file(options.standard_input + ".out"), "to the game ü");
    EXPECT_EQ(read_file(options.standard_input + ".err"), "to the game ü");
}

TEST(GameStart, ReturnsWhileTheGameStillRuns) {
    const Installation installation = install_fixture();
    const std::string gate = join_path(installation.scratch, "gate");
    RunOptions options = launch_options(installation, "gate " + gate);
    options.timeout = 20s;
    EXPECT_EQ(run_program(options).exit_code, 0u); // throws when it waits for the game
    EXPECT_TRUE(wait_for_file(gate + ".waiting")) << "the game host never started";
    EXPECT_FALSE(exists(installation.record())) << "the game ended before the launch returned";
    write_test_file(gate, "");
    EXPECT_TRUE(wait_for_file(installation.record()));
}

// ---- failures, read from the real message box ----

struct FailureCase {
    const char* name;
    std::function<void(const Installation&)> break_it;
    std::function<bool(const std::string&)> message_fits;
    const char* expected; // for the failure report
};

auto exactly(std::string text) {
    return [text](const std::string& message) { return message == text; };
}

bool damaged_with_position(const std::string& message) {
    static const std::regex form("Velmora installation state is damaged: .+ at line [0-9]+ "
                                 "column [0-9]+");
    return std::regex_match(message, form);
}

class LaunchFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(LaunchFailure, IsShownInTheErrorBoxAndTheHostNeverStarts) {
    const Installation installation = install_fixture();
    GetParam().break_it(installation);

    const RunResult run = run_program(launch_options(installation));
    EXPECT_EQ(run.exit_code, 0u);
    ASSERT_EQ(run.message_boxes.size(), 1u);
    const MessageBoxInfo& box = run.message_boxes.front();
    EXPECT_TRUE(GetParam().message_fits(box.text))
        << "shown: " << box.text << "\nexpected: " << GetParam().expected;
    EXPECT_EQ(box.caption, "Velmora Setup");
    ASSERT_EQ(box.buttons.size(), 1u);
    EXPECT_EQ(box.buttons.front().id, IDOK);
    EXPECT_EQ(box.buttons.front().text, "OK");
    EXPECT_EQ(box.icon, MessageBoxIcon::error) << icon_name(box.icon);
    EXPECT_FALSE(box.has_owner);
    EXPECT_FALSE(exists(installation.log())) << "the host was started";
}

const std::string not_installed = "Velmora is not installed. Run its setup first.";
const std::string incomplete = "Velmora is incomplete. Run its setup again to repair it.";

INSTANTIATE_TEST_SUITE_P(
    Cases, LaunchFailure,
    ::testing::Values(
        FailureCase{"NoStateFileThoughEverythingElseIsThere",
                    [](const Installation& i) { remove_test_tree(state_file_in(i.root)); },
                    exactly(not_installed), not_installed.c_str()},
        FailureCase{"StateFileIsAFolder",
                    [](const Installation& i) {
                        remove_test_tree(state_file_in(i.root));
                        make_directories(state_file_in(i.root));
                    },
                    exactly(not_installed), not_installed.c_str()},
        FailureCase{"EmptyStateFile",
                    [](const Installation& i) { write_test_file(state_file_in(i.root), ""); },
                    exactly("Velmora installation state is damaged: EOF while parsing a value "
                            "at line 1 column 0"),
                    "the empty-file description"},
        FailureCase{"TrailingCharacters",
                    [](const Installation& i) {
                        const auto state = read_file(state_file_in(i.root));
                        write_test_file(state_file_in(i.root), *state + " x");
                    },
                    damaged_with_position, "damaged, with line and column"},
        FailureCase{"NonAsciiInTheMessage",
                    [](const Installation& i) {
                        write_test_file(state_file_in(i.root), "\"Jo's Ünïcode ✓ 東京\"");
                    },
                    [](const std::string& message) {
                        return damaged_with_position(message) &&
                               message.find("\"Jo's Ünïcode ✓ 東京\"") != std::string::npos;
                    },
                    "damaged, quoting the non-ASCII string"},
        FailureCase{"HostDeleted", [](const Installation& i) { remove_test_tree(i.host()); },
                    exactly(incomplete), incomplete.c_str()},
        FailureCase{"GameDeleted", [](const Installation& i) { remove_test_tree(i.game()); },
                    exactly(incomplete), incomplete.c_str()},
        FailureCase{"HostIsAFolder",
                    [](const Installation& i) {
                        remove_test_tree(i.host());
                        make_directories(i.host());
                    },
                    [](const std::string& message) {
                        return message.starts_with("Could not start Velmora: ") &&
                               message.find(" (os error ") != std::string::npos &&
                               message.ends_with(")");
                    },
                    "Could not start Velmora: <system message> (os error N)"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace velmora::test
