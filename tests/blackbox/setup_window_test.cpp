// The interactive mode end to end: the real program with the stand-in tools
// beside it, its window driven from here by window messages.
#include "common/path.hpp"
#include "common/text_win.hpp"
#include "support/fault_injection.hpp"
#include "support/harness.hpp"
#include "support/install_fixture.hpp"
#include "support/message_box.hpp"
#include "support/process_run.hpp"
#include "support/window_driver.hpp"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace velmora::test {
namespace {

constexpr std::string_view window_class = "VelmoraSetupWindow";
constexpr std::string_view title = "Velmora Setup";

// "\xE2\x80\xA6" is U+2026, the ellipsis character, in UTF-8.
const std::vector<std::string> stage_texts = {
    "Checking release\xE2\x80\xA6",
    "Downloading Microsoft .NET runtime\xE2\x80\xA6",
    "Installing private .NET runtime\xE2\x80\xA6",
    "Downloading Velmora launcher\xE2\x80\xA6",
    "Installing launcher\xE2\x80\xA6",
};

using Clock = std::chrono::steady_clock;

// How long a check that nothing starts watches. A start that comes later than
// this would go unseen, so the tests that watch also time a real press up to
// its first tool start and require it to come within the watch.
constexpr auto quiet_watch = std::chrono::milliseconds(6s);

// Every download fails: curl answers 404, PowerShell then ends with exit code 7.
constexpr std::string_view failing_downloads = "curl.exe * status 404\npowershell.exe * exit 7\n";
constexpr std::string_view download_failure = "Download failed with exit code 7";

class SetupWindowTest : public ::testing::Test {
  protected:
    // Ends a program that is still running the way a user would: answers its
    // error boxes, then closes its window.
    void TearDown() override {
        if (!program_ || program_->wait(0ms))
            return;
        for (HWND box : error_boxes())
            answer_message_box(box);
        if (window_)
            post_close(window_);
        EXPECT_EQ(program_->wait(10s), 0u) << "the program did not end after its window closed";
    }

    // Starts the program without arguments and waits for its window.
    void start() {
        RunOptions options;
        options.program = fixture_.program;
        options.environment = fixture_.environment();
        program_ = std::make_unique<RunningProgram>(options);
        window_ = wait_for_top_window(program_->process_id(), window_class, title);
        ASSERT_TRUE(window_) << "no setup window";
        const std::vector<ControlInfo> controls = child_controls(window_);
        ASSERT_EQ(controls.size(), 5u);
        status_ = controls[2].handle;
        button_ = controls[4].handle;
    }

    std::string status() const { return window_text_of(status_); }
    std::string button_text() const { return window_text_of(button_); }
    bool button_enabled() const { return ::IsWindowEnabled(button_) != FALSE; }
    bool status_becomes(std::string_view text) const {
        return wait_until([&] { return status() == text; });
    }

    std::vector<HWND> error_boxes() const {
        return message_box_windows(program_->process_id(), title);
    }
    std::optional<MessageBoxInfo> wait_for_error_box() const {
        return wait_for_message_box(program_->process_id(), title, 20s);
    }

    std::size_t starts_of(std::string_view tool) const {
        std::size_t count = 0;
        for (const LogLine& line : fixture_.log_lines())
            count += !line.empty() && line.front() == tool;
        return count;
    }

    // Polls the tools' log for the whole watch; false once it holds other
    // than `count` starts.
    bool tool_starts_stay_at(std::size_t count) const {
        for (const auto end = Clock::now() + quiet_watch; Clock::now() < end; ::Sleep(50))
            if (fixture_.log_lines().size() != count)
                return false;
        return fixture_.log_lines().size() == count;
    }

    std::string gate(int stage) const {
        return join_path(fixture_.folder, "gate" + std::to_string(stage));
    }
    // Holds the install before the tool of each stage runs.
    std::string gate_rules() const {
        return "curl.exe client/bootstrap.json gate " + gate(1) + "\n" +
               "curl.exe releases/dotnet-runtime.zip gate " + gate(2) + "\n" +
               "tar.exe \\dotnet-runtime.zip gate " + gate(3) + "\n" +
               "curl.exe releases/VelmoraLauncher- gate " + gate(4) + "\n" +
               "tar.exe \\VelmoraLauncher- gate " + gate(5) + "\n";
    }
    void open_gate(int stage) const { write_test_file(gate(stage), ""); }

    // Installs through the window and waits for the installed state.
    void install_through_window() {
        fixture_.publish(standard_release());
        start();
        press_button(button_);
        ASSERT_TRUE(status_becomes("Installed. Ready to play.")) << status();
    }

    void screenshot(std::string_view name) const {
        const std::string folder = join_path(build_directory(), "test-artifacts");
        make_directories(folder);
        // Wine shows the Linux root as drive Z:.
        std::string path = join_path(folder, std::string(name) + ".png");
        if (path.size() > 2 && path[1] == ':')
            path.erase(0, 2);
        for (char& c : path)
            c = c == '\\' ? '/' : c;
        save_screenshot(path);
    }

    InstallFixture fixture_;
    std::unique_ptr<RunningProgram> program_;
    HWND window_ = nullptr;
    HWND status_ = nullptr;
    HWND button_ = nullptr;
};

TEST_F(SetupWindowTest, OpensReadyWithTheFiveControlsAtTheirPlaces) {
    start();
    screenshot("setup-window-ready");
    // The system adds WS_CLIPSIBLINGS to every top-level window.
    const auto style = static_cast<std::uint32_t>(::GetWindowLongW(window_, GWL_STYLE));
    EXPECT_EQ(style & ~std::uint32_t{WS_VISIBLE | WS_CLIPSIBLINGS}, 0x00CA0000u)
        << std::hex << style;
    EXPECT_EQ(::GetWindowLongW(window_, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);
    const SIZE size = window_size(window_);
    EXPECT_EQ(size.cx, 530);
    EXPECT_EQ(size.cy, 300);

    struct Expected {
        std::string class_name; // as the system registers it
        std::string text;
        std::uint32_t style;
        RECT rect;
        int id;
    };
    const std::vector<Expected> expected = {
        {"Static", "Install Velmora", 0x50000000, {34, 28, 464, 70}, 0},
        {"Static",
         "The complete game client, configured automatically.",
         0x50000000,
         {36, 76, 476, 102},
         0},
        {"Static", "Ready to install", 0x50000000, {36, 130, 476, 158}, 0},
        {"msctls_progress32", "", 0x50000008, {36, 166, 476, 176}, 0},
        {"Button", "Install", 0x50010001, {346, 202, 476, 244}, 1001},
    };
    const std::vector<ControlInfo> controls = child_controls(window_);
    ASSERT_EQ(controls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const ControlInfo& actual = controls[i];
        const Expected& want = expected[i];
        SCOPED_TRACE(want.class_name + " " + want.text);
        EXPECT_EQ(actual.class_name, want.class_name);
        EXPECT_EQ(actual.text, want.text);
        EXPECT_EQ(actual.style, want.style) << std::hex << actual.style;
        EXPECT_EQ(actual.ex_style, 0u) << std::hex << actual.ex_style;
        EXPECT_EQ(actual.id, want.id);
        EXPECT_EQ(actual.rect.left, want.rect.left);
        EXPECT_EQ(actual.rect.top, want.rect.top);
        EXPECT_EQ(actual.rect.right, want.rect.right);
        EXPECT_EQ(actual.rect.bottom, want.rect.bottom);
        EXPECT_TRUE(actual.enabled);
    }
    post_close(window_);
    EXPECT_EQ(program_->wait(10s), 0u);
}

// Pixels within a small distance of the colour (screen pixels are 0x00RRGGBB).
std::size_t pixels_near(const std::vector<std::uint32_t>& pixels, COLORREF colour) {
    std::size_t count = 0;
    for (const std::uint32_t pixel : pixels) {
        const int distance = std::abs(static_cast<int>((pixel >> 16) & 0xFF) - GetRValue(colour)) +
                             std::abs(static_cast<int>((pixel >> 8) & 0xFF) - GetGValue(colour)) +
                             std::abs(static_cast<int>(pixel & 0xFF) - GetBValue(colour));
        count += distance <= 48;
    }
    return count;
}

TEST_F(SetupWindowTest, LabelsFollowADarkColourScheme) {
    // The scheme holds for every process of the shared wineserver until restored.
    const int elements[] = {COLOR_WINDOW, COLOR_WINDOWTEXT};
    const COLORREF old[] = {::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_WINDOWTEXT)};
    const COLORREF window_colour = RGB(0x10, 0x10, 0x30);
    const COLORREF text_colour = RGB(0xFF, 0xFF, 0x80);
    const COLORREF scheme[] = {window_colour, text_colour};
    ASSERT_TRUE(::SetSysColors(2, elements, scheme));
    const std::shared_ptr<void> restore(nullptr, [&](void*) { ::SetSysColors(2, elements, old); });
    start();
    const std::vector<ControlInfo> controls = child_controls(window_);
    for (std::size_t label = 0; label < 3; ++label) {
        SCOPED_TRACE(controls[label].text);
        std::vector<std::uint32_t> shown;
        // Text strokes in the text colour on a background in the window colour.
        EXPECT_TRUE(wait_until([&] {
            shown = screen_pixels_of(controls[label].handle);
            return pixels_near(shown, window_colour) > shown.size() / 2 &&
                   pixels_near(shown, text_colour) > 20;
        })) << pixels_near(shown, window_colour)
            << " background, " << pixels_near(shown, text_colour) << " text of " << shown.size();
    }
    screenshot("setup-window-dark");
}

// The keyboard alone: the button has the focus when the window opens and
// again after a failure; Enter and Space press it, Alt+F4 closes the window.
TEST_F(SetupWindowTest, KeyboardAloneInstallsRetriesAndCloses) {
    fixture_.set_rules(failing_downloads);
    start();
    const WORD keys[] = {VK_RETURN, VK_SPACE};
    for (std::size_t attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        ASSERT_TRUE(wait_until([&] {
            return error_boxes().empty() && focus_of(window_) == button_;
        })) << "focus on "
            << focus_of(window_);
        type_key(keys[attempt - 1]);
        const auto box = wait_for_error_box();
        ASSERT_TRUE(box);
        EXPECT_EQ(starts_of("curl.exe"), attempt);
        answer_message_box(box->window);
    }
    ASSERT_TRUE(wait_until([&] { return error_boxes().empty() && focus_of(window_) == button_; }));
    type_key(VK_F4, true);
    EXPECT_EQ(program_->wait(10s), 0u);
}

TEST_F(SetupWindowTest, OpensReadyAlsoWhenTheGameIsInstalled) {
    fixture_.publish(standard_release());
    ASSERT_EQ(fixture_.install().exit_code, 0u);
    ASSERT_TRUE(exists(fixture_.state_file()));
    fixture_.clear_log();

    start();
    EXPECT_EQ(status(), "Ready to install");
    EXPECT_EQ(button_text(), "Install");
    EXPECT_TRUE(button_enabled());
    EXPECT_TRUE(tool_starts_stay_at(0)) << "a tool ran before the button was pressed";

    const auto pressed = Clock::now();
    press_button(button_);
    ASSERT_TRUE(wait_until([&] { return !fixture_.log_lines().empty(); }));
    EXPECT_LT(Clock::now() - pressed, quiet_watch) << "the watch was too short to see a start";
}

TEST_F(SetupWindowTest, FailedInstallShowsTheErrorBoxAndAnotherPressRunsAgain) {
    fixture_.set_rules(failing_downloads);
    start();
    for (std::size_t attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        press_button(button_);
        const auto box = wait_for_error_box();
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text, download_failure);
        EXPECT_EQ(box->icon, MessageBoxIcon::error);
        EXPECT_FALSE(box->has_owner);
        ASSERT_EQ(box->buttons.size(), 1u);
        EXPECT_EQ(box->buttons[0].id, IDOK);
        // The window is in its failed state before the box opens.
        EXPECT_EQ(status(), "Installation failed");
        EXPECT_EQ(button_text(), "Install");
        EXPECT_TRUE(button_enabled());
        if (attempt == 1)
            screenshot("setup-window-failed");
        answer_message_box(box->window);
        EXPECT_TRUE(wait_until([&] { return error_boxes().empty(); }));
        // Each press ran one complete install: one manifest fetch each.
        EXPECT_EQ(starts_of("curl.exe"), attempt);
    }
    EXPECT_TRUE(::IsWindow(window_));
}

// The first box has no owner and leaves Install enabled: a second failure
// meanwhile gets its own box instead of waiting for the first to close.
TEST_F(SetupWindowTest, FailureWhileAnErrorBoxIsOpenShowsItsOwnBox) {
    fixture_.set_rules(failing_downloads);
    start();
    press_button(button_);
    ASSERT_TRUE(wait_for_error_box());
    press_button(button_);
    EXPECT_TRUE(wait_until([&] { return error_boxes().size() == 2; }, 20s))
        << "status: " << status();
    EXPECT_TRUE(status_becomes("Installation failed")) << status();
    EXPECT_TRUE(button_enabled());
    EXPECT_EQ(starts_of("curl.exe"), 2u);
}

TEST_F(SetupWindowTest, TwoQuickPressesStartOneInstall) {
    fixture_.set_rules("curl.exe * gate " + gate(1) + "\n" + std::string(failing_downloads));
    start();
    // Both reach the window before the first worker can report back; the
    // second finds the install busy.
    const auto pressed = Clock::now();
    post_command(window_, 1001);
    post_command(window_, 1001);
    ASSERT_TRUE(wait_for_file(gate(1) + ".waiting"));
    EXPECT_LT(Clock::now() - pressed, quiet_watch) << "the watch is too short to see a start";
    EXPECT_FALSE(button_enabled());
    open_gate(1);
    ASSERT_TRUE(wait_for_error_box());
    // A second worker, had there been one, would have started its tools by now.
    EXPECT_TRUE(tool_starts_stay_at(fixture_.log_lines().size()));
    EXPECT_EQ(error_boxes().size(), 1u);
    EXPECT_EQ(starts_of("curl.exe"), 1u);
}

// The download held at its gate stands for a slow one; closing the window
// must not leave it running.
TEST_F(SetupWindowTest, ClosingDuringAnInstallEndsTheProgramAndItsToolsAtOnce) {
    fixture_.set_rules("curl.exe * gate " + gate(1) + "\n");
    start();
    press_button(button_);
    ASSERT_TRUE(wait_for_file(gate(1) + ".waiting"));
    const DWORD setup = program_->process_id();
    ASSERT_EQ(child_processes(setup, "curl.exe").size(), 1u);
    post_close(window_);
    EXPECT_EQ(program_->wait(5s), 0u);
    EXPECT_TRUE(wait_until([&] { return child_processes(setup, "curl.exe").empty(); }))
        << "the download outlived the program";
    open_gate(1); // lets a stand-in left behind end
}

TEST_F(SetupWindowTest, ShowsEachStageThenLaunchesTheGame) {
    fixture_.publish(standard_release());
    fixture_.set_rules(gate_rules());
    start();
    press_button(button_);
    for (int stage = 1; stage <= 5; ++stage) {
        SCOPED_TRACE("stage " + std::to_string(stage));
        ASSERT_TRUE(wait_for_file(gate(stage) + ".waiting"));
        EXPECT_TRUE(status_becomes(stage_texts[stage - 1])) << status();
        EXPECT_EQ(button_text(), "Install");
        EXPECT_FALSE(button_enabled());
        if (stage == 2)
            screenshot("setup-window-installing");
        open_gate(stage);
    }
    ASSERT_TRUE(status_becomes("Installed. Ready to play.")) << status();
    EXPECT_EQ(button_text(), "Launch");
    EXPECT_TRUE(button_enabled());
    EXPECT_TRUE(error_boxes().empty());
    screenshot("setup-window-installed");

    press_button(button_);
    EXPECT_EQ(program_->wait(15s), 0u);
    ASSERT_TRUE(wait_for_file(fixture_.record));
    const auto record = nlohmann::json::parse(read_file(fixture_.record).value_or("null"));
    EXPECT_EQ(record["arguments"],
              nlohmann::json::array({join_path(fixture_.launcher_directory(), "VelmoraGame.dll")}));
}

TEST_F(SetupWindowTest, LaunchFailureLeavesTheWindowOpenWithLaunch) {
    install_through_window();
    ::DeleteFileW(widen(join_path(fixture_.runtime_directory("8.0.11"), "dotnet.exe")).c_str());
    press_button(button_);
    const auto box = wait_for_error_box();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Velmora is incomplete. Run its setup again to repair it.");
    answer_message_box(box->window);
    EXPECT_TRUE(wait_until([&] { return error_boxes().empty(); }));
    EXPECT_TRUE(::IsWindow(window_));
    EXPECT_EQ(program_->wait(0ms), std::nullopt);
    // Without a window manager Wine's window thread waits a moment for the
    // box to be unmapped, and the first read may time out meanwhile.
    EXPECT_TRUE(status_becomes("Installed. Ready to play.")) << status();
    EXPECT_EQ(button_text(), "Launch");
    EXPECT_TRUE(button_enabled());
    EXPECT_FALSE(exists(fixture_.record));
}

// The worker's messages, posted from here: the window trusts only their
// numbers and the failure slot, whatever state it is in.
TEST_F(SetupWindowTest, FollowsPostedWorkerMessagesInAnyState) {
    start();
    struct Step {
        UINT message;
        WPARAM stage;
        std::string status;
        std::string button;
    };
    const std::vector<Step> steps = {
        {0x8003, 0, "Working\xE2\x80\xA6", "Install"},
        {0x8003, 3, stage_texts[2], "Install"},
        {0x8003, 6, "Working\xE2\x80\xA6", "Install"},
        {0x8002, 0, "Installation failed", "Install"}, // nothing in the slot: no box
        {0x8003, 5, stage_texts[4], "Install"},
        {0x8001, 0, "Installed. Ready to play.", "Launch"},
        {0x8003, 1, stage_texts[0], "Launch"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::to_string(step.message - 0x8000) + "/" + std::to_string(step.stage));
        ::PostMessageW(window_, step.message, step.stage, 0);
        EXPECT_TRUE(status_becomes(step.status)) << status();
        EXPECT_EQ(button_text(), step.button);
        EXPECT_TRUE(button_enabled());
    }
    EXPECT_TRUE(tool_starts_stay_at(0)) << "no install ran";
    EXPECT_TRUE(error_boxes().empty());
}

} // namespace
} // namespace velmora::test
