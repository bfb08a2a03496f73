// The update hand-off of the real program: VelmoraSetup.exe in a scratch
// folder with the stand-in tasklist.exe, tar.exe and powershell.exe beside it,
// an installed game whose host is the stand-in dotnet.exe, and a "launcher"
// process of the test's own that the program must wait for.

#include "common/path.hpp"
#include "support/harness.hpp"
#include "support/install_fixture.hpp"
#include "support/process_run.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace velmora::test {
namespace {
using Strings = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

bool wait_until(const std::function<bool()>& condition, std::chrono::seconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

// A scratch install: the program and stand-ins in a folder whose name has a
// blank and an apostrophe, a runtime with the stand-in host, a launcher folder
// with the old launcher files, the state file naming both, and the update
// archive in another such folder.
class LauncherUpdate : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fresh_scratch_folder();
        app_ = join_path(root_, "Jo's setup");
        install_root_ = join_path(root_, "install");
        runtime_ = join_path(install_root_, "Velmora\\dotnet\\8.0.1");
        launcher_ = join_path(install_root_, "Programs\\Jo's Velmora");
        archive_ = join_path(root_, "Jo's downloads\\launcher update.zip");
        program_ = place_program(app_, "VelmoraSetup.exe");
        place_stand_ins(app_, {"tasklist", "tar", "powershell"});
        place_stand_ins(runtime_, {"dotnet"});
        write_file(join_path(launcher_, "VelmoraGame.dll"), "old game");
        write_file(join_path(launcher_, "Launcher.dll"), "old launcher");
        write_file(join_path(launcher_, "settings.json"), "kept");
        write_state_file(install_root_, runtime_, launcher_);
        write_file(archive_, make_zip({{"VelmoraGame.dll", "new game"},
                                       {"Launcher.dll", "new launcher"},
                                       {"lang/de.json", "{}"}}));
    }

    std::string log_file() const { return join_path(root_, "starts.log"); }
    std::string record_file() const { return join_path(root_, "dotnet-record.json"); }

    RunOptions options(const Strings& arguments) const {
        RunOptions run;
        run.program = program_;
        run.arguments = {"--apply-launcher-update"};
        run.arguments.insert(run.arguments.end(), arguments.begin(), arguments.end());
        run.environment = {{"VELMORA_TEST_ROOT", install_root_},
                           {"VELMORA_STANDIN_LOG", log_file()},
                           {"VELMORA_STANDIN_RULES", join_path(root_, "rules.txt")},
                           {"VELMORA_STANDIN_TASKLIST", tasklist_mode_},
                           {"VELMORA_STANDIN_DOTNET_RECORD", record_file()}};
        run.timeout = 120s;
        return run;
    }
    RunResult run(const Strings& arguments) const { return run_program(options(arguments)); }
    Strings update_request(const std::string& pid) const { return {pid, archive_, launcher_}; }

    // Answers from a script instead of the real process table.
    void script_tasklist(std::string_view answers) {
        const std::string script = join_path(root_, "answers.txt");
        write_file(script, answers);
        tasklist_mode_ = "@script " + script;
    }

    // The tools' starts: the tool's name, then its arguments. The game host,
    // which the program does not wait for, is left out unless asked for.
    std::vector<Strings> starts(bool with_host = false) const {
        std::vector<Strings> lines;
        for (auto& start : read_start_log(log_file()))
            if (with_host || start.at(0) != "dotnet.exe")
                lines.push_back(std::move(start));
        return lines;
    }
    static std::size_t count_of(const std::vector<Strings>& starts, const std::string& tool) {
        return static_cast<std::size_t>(std::count_if(
            starts.begin(), starts.end(), [&](const Strings& start) { return start[0] == tool; }));
    }
    Strings query_of(const std::string& pid) const {
        return {"tasklist.exe", "/FI", "PID eq " + pid, "/NH"};
    }
    Strings tar_start() const { return tar_line(archive_, launcher_); }

    // The update landed over the old launcher, and the game was started from
    // it after the unpacking.
    void expect_updated_and_started() const {
        EXPECT_EQ(read_file(join_path(launcher_, "VelmoraGame.dll")), "new game");
        EXPECT_EQ(read_file(join_path(launcher_, "Launcher.dll")), "new launcher");
        EXPECT_EQ(read_file(join_path(launcher_, "lang\\de.json")), "{}");
        EXPECT_EQ(read_file(join_path(launcher_, "settings.json")), "kept");
        EXPECT_TRUE(exists(archive_)) << "the archive stays where it was";
        ASSERT_TRUE(wait_for_file(record_file()));
        ASSERT_TRUE(wait_until([&] { return count_of(starts(true), "dotnet.exe") == 1; }, 20s));
        const auto record = nlohmann::json::parse(read_file(record_file()).value_or("{}"));
        EXPECT_EQ(record["arguments"],
                  nlohmann::json::array({join_path(launcher_, "VelmoraGame.dll")}));
        const auto all = starts(true);
        ASSERT_GE(all.size(), 2u);
        EXPECT_EQ(all[all.size() - 2], tar_start());
        EXPECT_EQ(all.back().at(0), "dotnet.exe");
    }
    void expect_untouched() const {
        EXPECT_EQ(read_file(join_path(launcher_, "VelmoraGame.dll")), "old game");
        EXPECT_FALSE(exists(record_file()));
    }

    // A process that runs until its gate opens: a copy of the stand-in
    // tasklist.exe held at a gate by rules of its own.
    std::unique_ptr<RunningProgram> start_launcher() {
        const std::string folder = join_path(root_, "launcher process");
        gate_ = join_path(folder, "gate");
        place_stand_ins(folder, {"tasklist"});
        write_file(join_path(folder, "rules.txt"), "tasklist.exe * gate " + gate_ + "\n");
        RunOptions options;
        options.program = join_path(folder, "tasklist.exe");
        options.arguments = {"--until-the-gate-opens"}; // then ends quietly: no query form
        options.environment = {{"VELMORA_STANDIN_RULES", join_path(folder, "rules.txt")},
                               {"VELMORA_STANDIN_LOG", std::nullopt}};
        auto launcher = std::make_unique<RunningProgram>(options);
        EXPECT_TRUE(wait_for_file(gate_ + ".waiting"));
        return launcher;
    }
    void open_gate() const { write_file(gate_, ""); }

    std::string root_, app_, install_root_, runtime_, launcher_, archive_, program_, gate_;
    std::optional<std::string> tasklist_mode_; // unset: the real process table
};

Strings texts_of(const RunResult& result) {
    Strings texts;
    for (const auto& box : result.message_boxes)
        texts.push_back(box.text);
    return texts;
}

TEST_F(LauncherUpdate, WaitsUntilTheLauncherHasGoneThenUnpacksAndStartsTheGame) {
    const auto launcher = start_launcher();
    const std::string pid = std::to_string(launcher->process_id());
    RunningProgram program(options(update_request(pid)));
    ASSERT_TRUE(wait_until([&] { return count_of(starts(), "tasklist.exe") >= 3; }, 60s));
    const auto while_running = starts();
    EXPECT_EQ(count_of(while_running, "tar.exe"), 0u) << "unpacked while the launcher runs";
    ASSERT_FALSE(launcher->wait(0ms)) << "the launcher ended too early";
    open_gate();
    EXPECT_TRUE(launcher->wait(30s).has_value());

    EXPECT_EQ(program.wait(60s), 0u);
    const auto all = starts();
    // Every query while the launcher ran and one after its end, then the unpacking.
    ASSERT_GE(all.size(), while_running.size() + 2);
    for (std::size_t i = 0; i + 1 < all.size(); ++i)
        EXPECT_EQ(all[i], query_of(pid)) << i;
    EXPECT_EQ(all.back(), tar_start());
    expect_updated_and_started();
}

TEST_F(LauncherUpdate, ProcessAlreadyGoneMeansOneQueryAndExtraArgumentsAreIgnored) {
    Strings arguments = update_request("+0004294967295");
    arguments.insert(arguments.end(), {"--launch", "-1"});
    const auto started = Clock::now();
    const RunResult result = run(arguments);
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(texts_of(result), Strings{});
    EXPECT_EQ(starts(), (std::vector<Strings>{query_of("4294967295"), tar_start()}));
    EXPECT_LT(Clock::now() - started, 20s);
    expect_updated_and_started();
}

// The decimal id anywhere in the answer means "still running".
TEST_F(LauncherUpdate, IdInsideALongerNumberCountsAsRunning) {
    script_tasklist("Velmora.Launcher.exe          1425 Console    1   10,240 K\r\n---\n"
                    "x.exe 9 Console 1 42,000 K\r\n---\n"
                    "INFO: No tasks are running which match the specified criteria.\r\n");
    const RunResult result = run(update_request("42"));
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(texts_of(result), Strings{});
    EXPECT_EQ(starts(),
              (std::vector<Strings>{query_of("42"), query_of("42"), query_of("42"), tar_start()}));
    expect_updated_and_started();
}

TEST_F(LauncherUpdate, GivesUpWaitingAfter120QueriesAndUpdatesAnyway) {
    script_tasklist("launcher.exe 42 Console 1 10,240 K\r\n");
    const auto started = Clock::now();
    RunOptions never_ends = options(update_request("42"));
    never_ends.timeout = 240s;
    const RunResult result = run_program(never_ends);
    const auto elapsed = Clock::now() - started;
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(texts_of(result), Strings{});
    const auto all = starts();
    EXPECT_EQ(count_of(all, "tasklist.exe"), 120u);
    ASSERT_EQ(all.size(), 121u);
    EXPECT_EQ(all.back(), tar_start());
    EXPECT_GE(elapsed, 30s) << "a 250 ms pause after each of the 120 queries";
    expect_updated_and_started();
}

// A tasklist.exe that cannot be started (found first, beside the program, but
// no program at all) ends the wait at once, even while the launcher runs.
TEST_F(LauncherUpdate, TasklistThatCannotStartEndsTheWaitAtOnce) {
    const auto launcher = start_launcher();
    const std::string tasklist = join_path(app_, "tasklist.exe");
    for (const bool as_folder : {false, true}) {
        remove_tree(tasklist);
        if (as_folder)
            make_directories(tasklist);
        else
            write_file(tasklist, "not a program");
        remove_tree(log_file());
        remove_tree(record_file());
        const RunResult result = run(update_request(std::to_string(launcher->process_id())));
        EXPECT_EQ(result.exit_code, 0u) << as_folder;
        EXPECT_EQ(texts_of(result), Strings{}) << as_folder;
        EXPECT_EQ(starts(), std::vector<Strings>{tar_start()}) << as_folder;
        EXPECT_FALSE(launcher->wait(0ms)) << as_folder;
        expect_updated_and_started();
    }
    open_gate();
}

// Without a tasklist.exe beside the program the search goes on to the system
// folder. Under Wine the tool there prints nothing for a PID filter, so the
// launcher counts as gone and the update goes on while it still runs; the
// real Windows tool would list it. What this cannot prove is that the
// system's copy was asked at all: a run that asked no tool looks the same
// from here. That the search finds the system folder's copy before PATH is
// proven in-process by the process runner's test.
TEST_F(LauncherUpdate, WithoutItsOwnTasklistTheUpdateGoesOn) {
    const auto launcher = start_launcher();
    remove_tree(join_path(app_, "tasklist.exe"));
    const auto started = Clock::now();
    const RunResult result = run(update_request(std::to_string(launcher->process_id())));
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(texts_of(result), Strings{});
    EXPECT_EQ(starts(), std::vector<Strings>{tar_start()});
    EXPECT_LT(Clock::now() - started, 20s);
    EXPECT_FALSE(launcher->wait(0ms));
    expect_updated_and_started();
    open_gate();
}

TEST_F(LauncherUpdate, MalformedRequestsAreShownAndNothingRuns) {
    const std::string request = "Invalid launcher update request.";
    const std::string id = "Invalid launcher process id.";
    const std::vector<std::pair<Strings, std::string>> cases = {
        {{}, request},
        {{"42"}, request},
        {{"42", archive_}, request},
        {{"-1", archive_}, request},
        {{"-1", archive_, launcher_}, id},
        {{"", archive_, launcher_}, id},
        {{"+", archive_, launcher_}, id},
        {{" 1", archive_, launcher_}, id},
        {{"4294967296", archive_, launcher_}, id},
        {{"0x2A", archive_, launcher_}, id},
    };
    for (const auto& [arguments, message] : cases) {
        const RunResult result = run(arguments);
        const std::string label = arguments.empty() ? "(none)" : arguments[0];
        EXPECT_EQ(result.exit_code, 0u) << label;
        ASSERT_EQ(result.message_boxes.size(), 1u) << label;
        const auto& box = result.message_boxes[0];
        EXPECT_EQ(box.caption, "Velmora Setup") << label;
        EXPECT_EQ(box.text, message) << label;
        EXPECT_EQ(box.icon, MessageBoxIcon::error) << label;
        EXPECT_EQ(box.buttons.size(), 1u) << label;
    }
    EXPECT_FALSE(exists(log_file())) << "no tool ran";
    expect_untouched();
}

TEST_F(LauncherUpdate, FailingExtractionIsShownAndTheGameNotStarted) {
    write_file(archive_, "this is no zip archive");
    const RunResult result = run(update_request("4294967295"));
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(texts_of(result), Strings{"Archive extraction failed with exit code 1."});
    const auto all = starts();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[1], tar_start());
    EXPECT_EQ(all[2].at(0), "powershell.exe");
    expect_untouched();
}

// Whatever folder the request names receives the update, recorded in an
// installation or not; the launch then reports what it finds.
TEST_F(LauncherUpdate, LaunchFailureAfterTheUpdateIsShown) {
    remove_tree(state_file_in(install_root_));
    const std::string elsewhere = join_path(root_, "new place\\deeper");
    const RunResult result = run({"4294967295", archive_, elsewhere});
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(texts_of(result), Strings{"Velmora is not installed. Run its setup first."});
    EXPECT_EQ(read_file(join_path(elsewhere, "VelmoraGame.dll")), "new game");
    expect_untouched();
}

} // namespace
} // namespace velmora::test
