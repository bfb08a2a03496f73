// The update hand-off of the real program: VelmoraSetup.exe in a scratch
// folder with the stand-in tasklist.exe, tar.exe and powershell.exe beside it,
// an installed game whose host is the stand-in dotnet.exe, and the stand-in
// launcher that the program must wait for. What tasklist's answers mean (asked
// only where the launcher cannot be opened, which a test here cannot bring
// about) is proven by the unit tests of the wait.

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
        write_test_file(join_path(launcher_, "VelmoraGame.dll"), "old game");
        write_test_file(join_path(launcher_, "Launcher.dll"), "old launcher");
        write_test_file(join_path(launcher_, "settings.json"), "kept");
        write_state_file(install_root_, runtime_, launcher_);
        write_test_file(archive_, make_zip({{"VelmoraGame.dll", "new game"},
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
        write_test_file(script, answers);
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
        EXPECT_FALSE(exists(join_path(launcher_, "lang\\de.json")));
        EXPECT_FALSE(exists(record_file()));
    }

    // The stand-in launcher: holds one of the installed launcher's files open
    // with no sharing, as the running launcher does, until its gate opens.
    std::unique_ptr<RunningProgram> start_launcher() {
        const std::string folder = join_path(root_, "launcher process");
        gate_ = join_path(folder, "gate");
        remove_test_tree(folder);
        place_stand_ins(folder, {"launcher"});
        RunOptions options;
        options.program = join_path(folder, "launcher.exe");
        options.arguments = {join_path(launcher_, "Launcher.dll"), gate_};
        auto launcher = std::make_unique<RunningProgram>(options);
        EXPECT_TRUE(wait_for_file(gate_ + ".waiting"));
        return launcher;
    }
    void open_gate() const { write_test_file(gate_, ""); }

    std::string root_, app_, install_root_, runtime_, launcher_, archive_, program_, gate_;
    std::optional<std::string> tasklist_mode_; // unset: the real process table
};

Strings texts_of(const RunResult& result) {
    Strings texts;
    for (const auto& box : result.message_boxes)
        texts.push_back(box.text);
    return texts;
}

// The launcher's own process is waited for, whatever tasklist would answer:
// an error line, nothing at all (Wine's own tool, a broken WMI) or no tool.
TEST_F(LauncherUpdate, WaitsForTheLauncherItselfWhateverTasklistAnswers) {
    const std::string tasklist = join_path(app_, "tasklist.exe");
    for (const std::string answer : {"error line", "empty output", "not a program"}) {
        if (answer == "error line")
            script_tasklist("ERROR: The RPC server is unavailable.\r\n");
        if (answer == "empty output")
            remove_test_tree(tasklist); // the system folder's copy answers
        if (answer == "not a program")
            write_test_file(tasklist, "not a program");
        const auto launcher = start_launcher();
        RunningProgram program(options(update_request(std::to_string(launcher->process_id()))));
        std::this_thread::sleep_for(3s);
        EXPECT_FALSE(program.wait(0ms)) << answer << ": the hand-off did not wait";
        EXPECT_EQ(count_of(starts(), "tar.exe"), 0u) << answer << ": unpacked while it runs";
        expect_untouched();
        open_gate();
        EXPECT_TRUE(launcher->wait(30s).has_value()) << answer;
        EXPECT_EQ(program.wait(60s), 0u) << answer;
        expect_updated_and_started();
        // The next answer starts from the old launcher again.
        write_test_file(join_path(launcher_, "VelmoraGame.dll"), "old game");
        write_test_file(join_path(launcher_, "Launcher.dll"), "old launcher");
        remove_test_tree(join_path(launcher_, "lang"));
        remove_test_tree(log_file());
        remove_test_tree(record_file());
    }
}

TEST_F(LauncherUpdate, ProcessAlreadyGoneMeansNoWaitAndExtraArgumentsAreIgnored) {
    Strings arguments = update_request("+0004294967295");
    arguments.insert(arguments.end(), {"--launch", "-1"});
    const auto started = Clock::now();
    const RunResult result = run(arguments);
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(texts_of(result), Strings{});
    EXPECT_EQ(starts(), std::vector<Strings>{tar_start()});
    EXPECT_LT(Clock::now() - started, 20s);
    expect_updated_and_started();
}

TEST_F(LauncherUpdate, LauncherThatOutlivesTheWaitIsLeftAsItWas) {
    const auto launcher = start_launcher();
    RunOptions request = options(update_request(std::to_string(launcher->process_id())));
    request.timeout = 150s;
    const auto started = Clock::now();
    const RunResult result = run_program(request);
    EXPECT_GE(Clock::now() - started, 60s);
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(texts_of(result),
              Strings{"The launcher is still running. Close it and start the update again."});
    EXPECT_EQ(starts(true), std::vector<Strings>{}) << "nothing unpacked, no game started";
    expect_untouched();
    open_gate();
    EXPECT_TRUE(launcher->wait(30s).has_value());
    EXPECT_EQ(read_file(join_path(launcher_, "Launcher.dll")), "old launcher");
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
    write_test_file(archive_, "this is no zip archive");
    const RunResult result = run(update_request("4294967295"));
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(texts_of(result), Strings{"Archive extraction failed with exit code 1."});
    const auto all = starts();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0], tar_start());
    EXPECT_EQ(all[1].at(0), "powershell.exe");
    expect_untouched();
}

// Whatever folder the request names receives the update, recorded in an
// installation or not; the launch then reports what it finds.
TEST_F(LauncherUpdate, LaunchFailureAfterTheUpdateIsShown) {
    remove_test_tree(state_file_in(install_root_));
    const std::string elsewhere = join_path(root_, "new place\\deeper");
    const RunResult result = run({"4294967295", archive_, elsewhere});
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(texts_of(result), Strings{"Velmora is not installed. Run its setup first."});
    EXPECT_EQ(read_file(join_path(elsewhere, "VelmoraGame.dll")), "new game");
    expect_untouched();
}

} // namespace
} // namespace velmora::test
