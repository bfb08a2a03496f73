// Which mode the program runs, told apart by what each mode does when nothing
// is installed and no download can succeed:
//   headless install  exit 1, the error report file, no box
//   update hand-off   the box "Invalid launcher update request." (too few elements)
//   launch mode       the box "Velmora is not installed. Run its setup first."
//   interactive mode  the setup window, which the test closes
#include "common/path.hpp"
#include "support/harness.hpp"
#include "support/process_run.hpp"

#include <gtest/gtest.h>

namespace velmora::test {
namespace {

enum class Mode { headless, handoff, launch, interactive, unclear };

std::ostream& operator<<(std::ostream& out, Mode mode) {
    constexpr const char* names[] = {"headless install", "update hand-off", "launch", "interactive",
                                     "unclear"};
    return out << names[static_cast<int>(mode)];
}

constexpr const char* setup_window_class = "VelmoraSetupWindow";

Mode observed_mode(const RunResult& run, bool report_written) {
    const bool quiet = run.message_boxes.empty() && run.closed_windows.empty();
    if (run.exit_code == 1 && quiet && report_written)
        return Mode::headless;
    if (run.exit_code != 0 || report_written)
        return Mode::unclear;
    if (run.message_boxes.size() == 1 && run.closed_windows.empty()) {
        const std::string& text = run.message_boxes.front().text;
        if (text == "Invalid launcher update request.")
            return Mode::handoff;
        if (text == "Velmora is not installed. Run its setup first.")
            return Mode::launch;
    }
    if (run.message_boxes.empty() && run.closed_windows.size() == 1)
        return Mode::interactive;
    return Mode::unclear;
}

struct ModeCase {
    const char* name;
    const char* file_name;
    std::vector<std::string> arguments;
    Mode expected;
};

class RunMode : public ::testing::TestWithParam<ModeCase> {};

TEST_P(RunMode, IsChosenByElementOneAndTheOwnFileName) {
    const std::string scratch = fresh_scratch_folder();
    const std::string root = join_path(scratch, "root");
    make_directories(root);
    const std::string bin = join_path(scratch, "bin");
    // Downloads fail at once: an empty web root behind both download tools.
    place_stand_ins(bin, {"curl", "powershell"});
    make_directories(join_path(scratch, "web"));
    const std::string temp = join_path(scratch, "temp"); // the work directory lands here
    make_directories(temp);

    RunOptions options;
    options.program = place_program(bin, GetParam().file_name);
    options.arguments = GetParam().arguments;
    options.environment = {{"VELMORA_TEST_ROOT", root},
                           {"LOCALAPPDATA", root},
                           {"VELMORA_BOOTSTRAP_URL", "http://velmora.test/client/bootstrap.json"},
                           {"VELMORA_STANDIN_WEB_ROOT", join_path(scratch, "web")},
                           {"VELMORA_STANDIN_RULES", std::nullopt},
                           {"TEMP", temp},
                           {"TMP", temp}};
    options.close_windows_of_class = {setup_window_class};
    const RunResult run = run_program(options);

    const bool report_written = exists(join_path(root, "VelmoraSetup-error.txt"));
    EXPECT_EQ(observed_mode(run, report_written), GetParam().expected)
        << "exit code " << run.exit_code << ", boxes " << run.message_boxes.size()
        << (run.message_boxes.empty() ? "" : " (" + run.message_boxes.front().text + ")")
        << ", windows " << run.closed_windows.size() << ", report " << report_written;
}

const std::vector<std::string> none;

INSTANTIATE_TEST_SUITE_P(
    Cases, RunMode,
    ::testing::Values(
        ModeCase{"NoArguments", "setup.exe", none, Mode::interactive},
        ModeCase{"OwnNameVelmora", "Velmora.exe", none, Mode::launch},
        ModeCase{"OwnNameUpperCase", "VELMORA.EXE", none, Mode::launch},
        ModeCase{"OwnNameLowerCase", "velmora.exe", none, Mode::launch},
        ModeCase{"OwnNameLongerIsNoMatch", "Velmora2.exe", none, Mode::interactive},
        ModeCase{
            "OwnNameWithHeadlessSwitch", "Velmora.exe", {"--install-headless"}, Mode::headless},
        ModeCase{
            "OwnNameWithUpdateSwitch", "Velmora.exe", {"--apply-launcher-update"}, Mode::handoff},
        ModeCase{"OwnNameWithOtherWord", "Velmora.exe", {"foo"}, Mode::launch},
        ModeCase{"HeadlessSwitch", "setup.exe", {"--install-headless"}, Mode::headless},
        ModeCase{"UpdateSwitch", "setup.exe", {"--apply-launcher-update"}, Mode::handoff},
        ModeCase{"LaunchSwitch", "setup.exe", {"--launch"}, Mode::launch},
        ModeCase{"LaunchWithFurtherArguments",
                 "setup.exe",
                 {"--launch", "x", "--install-headless"},
                 Mode::launch},
        ModeCase{"LaunchCapitalised", "setup.exe", {"--Launch"}, Mode::interactive},
        ModeCase{"LaunchWithValue", "setup.exe", {"--launch=1"}, Mode::interactive},
        ModeCase{"LaunchSingleDash", "setup.exe", {"-launch"}, Mode::interactive},
        ModeCase{"LaunchWithBlank", "setup.exe", {"--launch "}, Mode::interactive},
        ModeCase{
            "HeadlessAsElementTwo", "setup.exe", {"foo", "--install-headless"}, Mode::interactive},
        ModeCase{"EmptyElementOne", "setup.exe", {""}, Mode::interactive}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace velmora::test
