// Every download and every extraction of a full headless install, broken in
// each way that can happen to it in the field: the tool missing, the tool and
// PowerShell failing, a short file, a wrong digest, the tool or the setup
// program killed half-way, and a full disk. Each cell checks the report, the
// exit code and what is left on disk, then proves that one more run without
// the fault repairs the installation and that the installed copy starts the
// game. The outcomes are printed as a matrix at the end.

#include "common/path.hpp"
#include "common/text_win.hpp"
#include "support/fault_injection.hpp"
#include "support/harness.hpp"
#include "support/install_fixture.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cwctype>
#include <map>
#include <memory>
#include <ostream>

namespace velmora::test {
namespace {

using Paths = std::vector<std::string>;

constexpr std::string_view version = "8.0.11";
constexpr std::string_view launcher_archive = "VelmoraLauncher-1.4.0.zip";

// Wine's own PATH reaches a PowerShell stub that exits 0 doing nothing; the
// children see only the system folders, which hold neither tool.
constexpr std::string_view child_path = "C:\\windows\\system32;C:\\windows";

// `stub_fallback` is `missing` with Wine's PATH left as it is, so that its
// PowerShell stub, which does nothing and exits 0, answers the fallback.
enum class Fault {
    missing,
    stub_fallback,
    exit_code,
    short_file,
    digest,
    tool_killed,
    setup_killed,
    disk_full
};
enum class Where { temp, runtime, launcher }; // the file system a step writes to

// The tool starts of a full install, in the order a fresh install makes them.
enum class StepId {
    manifest,
    runtime_download,
    desktop_download,
    runtime_unpack,
    desktop_unpack,
    launcher_download,
    launcher_unpack
};

struct Step {
    StepId id;
    std::string name;
    std::string tool;     // "curl.exe" or "tar.exe"
    std::string pattern;  // occurs in this start's subject (URL or archive path) only
    std::string manifest; // size and digest fields; empty for the manifest itself
    Where writes_to;
};

// Which of the tool starts of a full install the step is, from 0.
std::size_t start_number(const Step& step) {
    return static_cast<std::size_t>(step.id);
}

bool is_download(const Step& step) {
    return step.tool == "curl.exe";
}

const std::vector<Step>& steps() {
    static const std::vector<Step> all = {
        {StepId::manifest, "Manifest", "curl.exe", "/bootstrap.json", "", Where::temp},
        {StepId::runtime_download, "RuntimeDownload", "curl.exe", "/dotnet-runtime.zip", "dotnet",
         Where::temp},
        {StepId::desktop_download, "DesktopDownload", "curl.exe", "/windowsdesktop-runtime.zip",
         "dotnetDesktop", Where::temp},
        {StepId::runtime_unpack, "RuntimeUnpack", "tar.exe", "\\dotnet-runtime.zip", "",
         Where::runtime},
        {StepId::desktop_unpack, "DesktopUnpack", "tar.exe", "\\windowsdesktop-runtime.zip", "",
         Where::runtime},
        {StepId::launcher_download, "LauncherDownload", "curl.exe",
         "/" + std::string(launcher_archive), "launcher", Where::temp},
        {StepId::launcher_unpack, "LauncherUnpack", "tar.exe", "\\" + std::string(launcher_archive),
         "", Where::launcher},
    };
    return all;
}

// In the order of Fault: the test names and the rows of the printed matrix.
constexpr std::array<std::string_view, 8> fault_names = {
    "ToolMissing",    "StubFallback", "ExitCode",    "OneByteShort",
    "DigestMismatch", "ToolKilled",   "SetupKilled", "DiskFull"};
static_assert(fault_names.size() == static_cast<std::size_t>(Fault::disk_full) + 1);

std::string fault_name(Fault fault) {
    return std::string(fault_names.at(static_cast<std::size_t>(fault)));
}

struct Cell {
    Fault fault;
    Step step;
};

void PrintTo(const Cell& cell, std::ostream* out) {
    *out << fault_name(cell.fault) << " at " << cell.step.name;
}

bool applies(Fault fault, const Step& step) {
    if (fault == Fault::short_file)
        return is_download(step);
    if (fault == Fault::digest)
        return is_download(step) && !step.manifest.empty();
    return true;
}

std::vector<Cell> all_cells() {
    std::vector<Cell> cells;
    for (std::size_t row = 0; row < fault_names.size(); ++row)
        for (const Step& step : steps())
            if (const auto fault = static_cast<Fault>(row); applies(fault, step))
                cells.push_back({fault, step});
    return cells;
}

// What the fault run did, for the printed matrix.
std::map<std::pair<Fault, StepId>, std::string>& outcomes() {
    static std::map<std::pair<Fault, StepId>, std::string> table;
    return table;
}

constexpr std::string_view earlier_state = "{\"from\": \"an earlier install\"}";
constexpr std::string_view earlier_launcher = "a file of the earlier launcher";

constexpr UINT setup_kill_code = 3;
constexpr UINT tool_kill_code = 1;

struct Expected {
    bool succeeds = false;             // the fault is absorbed by the PowerShell fallback
    std::optional<std::string> report; // nullopt: no report (the setup was killed)
    bool hollow = false;               // the run ends in success without having unpacked an archive
};

// The manifest as published; a short manifest ends inside its object, and
// the reader places the end after the last line break.
std::string truncated_manifest_message(const std::string& manifest_text) {
    const std::string kept = manifest_text.substr(0, manifest_text.size() - 1);
    const auto lines = std::count(kept.begin(), kept.end(), '\n') + 1;
    const auto column = kept.size() - (kept.rfind('\n') + 1);
    return "Invalid setup manifest: EOF while parsing an object at line " + std::to_string(lines) +
           " column " + std::to_string(column);
}

class FaultMatrix : public ::testing::TestWithParam<Cell> {
  protected:
    static void TearDownTestSuite();

    void SetUp() override {
        // Mounts that an interrupted run left would keep its scratch folder.
        if (GetParam().fault == Fault::disk_full)
            SmallDisks::release_leftovers(join_path(build_directory(), "scratch"), shell_folder());
        fx_.emplace();
        manifest_ = fx_->publish(standard_release());
        gate_.emplace(join_path(fx_->folder, "gate"));
    }

    // Here rather than at the test's end, so that a cell that threw or
    // stopped at an assertion is marked as well.
    void TearDown() override {
        if (!outcome_ || !HasFailure())
            return;
        if (outcome_->empty())
            *outcome_ = "did not finish";
        *outcome_ += "  [FAILED]";
    }

    static std::string shell_folder() {
        const std::string folder = join_path(build_directory(), "shell");
        make_directories(folder);
        return folder;
    }

    std::string disk_of(Where where) const {
        switch (where) {
        case Where::temp:
            return fx_->temp;
        case Where::runtime:
            return parent_of_runtime();
        case Where::launcher:
            return std::string(parent_of(fx_->launcher_directory()));
        }
        return {};
    }

    std::string parent_of_runtime() const {
        return std::string(parent_of(fx_->runtime_directory(version)));
    }

    // The install's options; only the stub row lets Wine's PATH through.
    RunOptions options(bool wine_path = false) const {
        RunOptions options = fx_->install_options();
        if (!wine_path)
            options.environment.push_back({"PATH", std::string(child_path)});
        return options;
    }

    Expected arrange(const Cell& cell);
    std::uint32_t run_with_fault(const Cell& cell, DWORD& process_id);
    void check_left_behind(const Cell& cell, DWORD process_id, bool reported);
    std::string earlier_launcher_file() const {
        return join_path(fx_->launcher_directory(), "EarlierPlugin.dll");
    }
    void check_fallback_success(const Cell& cell, std::uint32_t code, DWORD process_id);
    void check_hollow_success(const Cell& cell, std::uint32_t code);
    void repair_and_launch(const Cell& cell, const Expected& fault_run);

    std::optional<InstallFixture> fx_;
    nlohmann::ordered_json manifest_;
    std::optional<Gate> gate_;
    std::unique_ptr<SmallDisks> disks_;
    std::string* outcome_ = nullptr; // this cell's entry in the printed matrix
};

// The system's text for an error code, as the program reports it.
std::string os_error(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer, length);
    ::LocalFree(buffer);
    while (!text.empty() && std::iswspace(text.back()))
        text.pop_back();
    return narrow(text) + " (os error " + std::to_string(code) + ")";
}

// A download that "succeeded" without a file fails when the file is read or
// checked; an extraction that did nothing goes unnoticed unless the layout
// check misses the host.
Expected stub_fallback_outcome(const Step& step) {
    if (is_download(step))
        return {false, os_error(ERROR_FILE_NOT_FOUND)};
    if (step.id == StepId::runtime_unpack)
        return {false, "The Microsoft runtime archive has an unexpected layout."};
    return {true, std::nullopt, true};
}

const Step& previous_of(const Step& step) {
    return steps().at(start_number(step) - 1);
}

std::string rule(std::string_view tool, std::string_view pattern, std::string_view action) {
    return std::string(tool) + " " + std::string(pattern) + " " + std::string(action) + "\n";
}

Expected FaultMatrix::arrange(const Cell& cell) {
    const Step& step = cell.step;
    const std::string download_failed = "Download failed";
    const std::string unpack_failed = "Archive extraction failed";
    switch (cell.fault) {
    case Fault::stub_fallback:
        fx_->set_rules(step.id == StepId::manifest
                           ? ""
                           : gate_->rule(previous_of(step).tool, previous_of(step).pattern));
        return stub_fallback_outcome(step);
    case Fault::missing:
        fx_->set_rules(step.id == StepId::manifest
                           ? ""
                           : gate_->rule(previous_of(step).tool, previous_of(step).pattern));
        return {false,
                (is_download(step) ? download_failed : unpack_failed) + ": program not found"};
    case Fault::exit_code:
        // PowerShell's code is what is reported, as a signed 32-bit number.
        if (is_download(step)) {
            fx_->set_rules(rule("curl.exe", step.pattern, "exit 22") +
                           rule("powershell.exe", step.pattern, "exit 3221225477"));
            return {false, download_failed + " with exit code -1073741819"};
        }
        fx_->set_rules(rule("tar.exe", step.pattern, "exit 2") +
                       rule("powershell.exe", step.pattern, "exit 2147483648"));
        return {false, unpack_failed + " with exit code -2147483648."};
    case Fault::short_file: {
        if (step.manifest.empty()) {
            const std::string text = manifest_.dump(2);
            fx_->set_rules(
                rule("curl.exe", step.pattern, "short " + std::to_string(text.size() - 1)));
            return {false, truncated_manifest_message(text)};
        }
        const std::uint64_t size = manifest_[step.manifest + "Size"];
        fx_->set_rules(rule("curl.exe", step.pattern, "short " + std::to_string(size - 1)));
        return {false, "Downloaded file has " + std::to_string(size - 1) + " bytes; expected " +
                           std::to_string(size) + "."};
    }
    case Fault::digest: {
        const bool sha512 = step.manifest != "launcher";
        const std::string field = step.manifest + (sha512 ? "Sha512" : "Sha256");
        auto changed = manifest_;
        changed[field] = sha512 ? sha512_hex("another archive") : sha256_hex("another archive");
        fx_->publish_manifest(changed.dump(2));
        return {false, "A downloaded file failed its integrity check."};
    }
    case Fault::tool_killed:
        fx_->set_rules(gate_->rule(step.tool, step.pattern));
        return {true, std::nullopt};
    case Fault::setup_killed:
        fx_->set_rules(gate_->rule(step.tool, step.pattern));
        return {false, std::nullopt};
    case Fault::disk_full:
        fx_->set_rules(gate_->rule(step.tool, step.pattern));
        // The tool cannot write, and neither can PowerShell after it.
        return {false, is_download(step) ? download_failed + " with exit code 1"
                                         : unpack_failed + " with exit code 1."};
    }
    return {};
}

// Starts the install, does what the fault needs while a tool is held, and
// waits for the program's end.
std::uint32_t FaultMatrix::run_with_fault(const Cell& cell, DWORD& process_id) {
    const Step& step = cell.step;
    const std::vector<std::string> tools = {step.tool, "powershell.exe"};
    const bool takes_tools = cell.fault == Fault::missing || cell.fault == Fault::stub_fallback;
    if (takes_tools && step.id == StepId::manifest)
        take_away(fx_->bin, tools);
    RunningProgram running(options(cell.fault == Fault::stub_fallback));
    process_id = running.process_id();
    const bool gated = cell.fault == Fault::tool_killed || cell.fault == Fault::setup_killed ||
                       cell.fault == Fault::disk_full ||
                       (takes_tools && step.id != StepId::manifest);
    if (gated) {
        if (!gate_->wait_until_held())
            throw std::runtime_error("the install never reached " + step.name);
        const std::vector<DWORD> held = child_processes(process_id, step.tool);
        switch (cell.fault) {
        case Fault::missing:
        case Fault::stub_fallback:
            take_away(fx_->bin, tools); // the held tool of the step before keeps running
            break;
        case Fault::tool_killed:
            EXPECT_EQ(held.size(), 1u) << "the held " << step.tool << " was not found";
            for (const DWORD id : held)
                EXPECT_TRUE(terminate_process(id, tool_kill_code));
            break;
        case Fault::setup_killed:
            EXPECT_TRUE(terminate_process(process_id, setup_kill_code));
            break;
        case Fault::disk_full:
            EXPECT_EQ(fill_disk(disk_of(step.writes_to)), static_cast<DWORD>(ERROR_DISK_FULL));
            break;
        default:
            break;
        }
        gate_->open();
        if (cell.fault == Fault::setup_killed)
            wait_for_processes(held); // the orphaned tool finishes its work
    }
    const auto code = running.wait(180s);
    if (!code)
        throw std::runtime_error("the install did not end in time");
    return *code;
}

// What the failure table allows the failed run to leave, by the step it
// stopped in.
void FaultMatrix::check_left_behind(const Cell& cell, DWORD process_id, bool reported) {
    const InstallFixture& fx = *fx_;
    const std::string runtime = fx.runtime_directory(version);
    const std::string staging = fx.staging_directory(runtime, process_id);
    const std::string launcher = fx.launcher_directory();
    // A killed setup cannot clean up; any other failed run removes its folders.
    const bool killed = cell.fault == Fault::setup_killed;
    const StepId stopped_in = cell.step.id;
    EXPECT_EQ(exists(fx.work_directory(process_id)), killed);
    if (killed && stopped_in != StepId::manifest) { // a killed manifest download may leave a part
        EXPECT_TRUE(exists(join_path(fx.work_directory(process_id), "bootstrap.json")));
    }
    EXPECT_EQ(read_file(fx.state_file()), earlier_state);
    EXPECT_EQ(read_file(earlier_launcher_file()), earlier_launcher);
    EXPECT_FALSE(exists(join_path(launcher, "Velmora.exe")));
    EXPECT_EQ(exists(fx.report_file()), reported);
    const bool runtime_done = stopped_in >= StepId::launcher_download;
    const bool unpacking_runtime =
        stopped_in == StepId::runtime_unpack || stopped_in == StepId::desktop_unpack;
    EXPECT_EQ(exists(join_path(runtime, "dotnet.exe")), runtime_done);
    EXPECT_EQ(exists(staging), killed && unpacking_runtime);
    // The base runtime went into staging before a fault in the desktop's.
    if (killed && stopped_in == StepId::desktop_unpack) {
        EXPECT_TRUE(exists(join_path(staging, "dotnet.exe")));
    }
    if (stopped_in < StepId::launcher_unpack) {
        EXPECT_FALSE(exists(join_path(launcher, "VelmoraGame.dll")));
    }
}

// A killed tool is a failed first attempt: PowerShell does the work.
void FaultMatrix::check_fallback_success(const Cell& cell, std::uint32_t code, DWORD process_id) {
    EXPECT_EQ(code, 0u) << fx_->report().value_or("(no report)");
    EXPECT_EQ(read_file(fx_->state_file()), fx_->expected_state(version));
    EXPECT_FALSE(exists(fx_->work_directory(process_id)));
    const auto lines = fx_->log_lines();
    ASSERT_EQ(lines.size(), 8u);
    const std::size_t start = start_number(cell.step);
    EXPECT_EQ(lines[start].front(), cell.step.tool);
    EXPECT_EQ(lines[start + 1].front(), "powershell.exe");
    const std::string fallback = is_download(cell.step) ? "Invoke-WebRequest" : "Expand-Archive";
    EXPECT_NE(lines[start + 1].back().find(fallback), std::string::npos);
}

// Exit code 0 from the stub counts as an extraction: the run records an
// installation that lacks what the skipped archives held, and the game cannot
// start until the next run.
void FaultMatrix::check_hollow_success(const Cell& cell, std::uint32_t code) {
    const InstallFixture& fx = *fx_;
    EXPECT_EQ(code, 0u) << fx.report().value_or("(no report)");
    EXPECT_FALSE(exists(fx.report_file()));
    EXPECT_EQ(read_file(fx.state_file()), fx.expected_state(version));
    EXPECT_TRUE(exists(join_path(fx.launcher_directory(), "Velmora.exe")));
    EXPECT_FALSE(exists(join_path(fx.launcher_directory(), "VelmoraGame.dll")));
    const std::string desktop =
        join_path(fx.runtime_directory(version), "shared\\Microsoft.WindowsDesktop.App\\8.0.11");
    EXPECT_EQ(exists(desktop), cell.step.id == StepId::launcher_unpack);
    // Run directly: no game host starts, so there is no record to wait for.
    RunOptions launch;
    launch.program = join_path(fx.launcher_directory(), "Velmora.exe");
    launch.environment = fx.environment();
    const RunResult result = run_program(launch);
    EXPECT_EQ(result.exit_code, 0u);
    ASSERT_EQ(result.message_boxes.size(), 1u);
    EXPECT_EQ(result.message_boxes.front().text,
              "Velmora is incomplete. Run its setup again to repair it.");
    EXPECT_FALSE(exists(fx.record));
}

void FaultMatrix::repair_and_launch(const Cell& cell, const Expected& fault_run) {
    InstallFixture& fx = *fx_;
    fx.set_rules("");
    fx.publish_manifest(manifest_.dump(2));
    fx.clear_log();
    RunningProgram running(options());
    const auto code = running.wait(180s);
    ASSERT_TRUE(code) << "the repair run did not end in time";
    EXPECT_EQ(*code, 0u) << fx.report().value_or("(no report)");
    EXPECT_EQ(read_file(fx.state_file()), fx.expected_state(version));
    EXPECT_FALSE(exists(fx.work_directory(running.process_id())));
    EXPECT_TRUE(exists(join_path(fx.runtime_directory(version), "dotnet.exe")));
    EXPECT_EQ(read_file(join_path(fx.launcher_directory(), "Velmora.exe")),
              read_file(program_under_test()));
    EXPECT_EQ(read_file(earlier_launcher_file()), earlier_launcher);
    // A runtime finished before the fault is kept; any other is installed,
    // as is one that went into place without its desktop framework.
    const bool desktop_skipped = fault_run.hollow && cell.step.id == StepId::desktop_unpack;
    const bool runtime_kept =
        (fault_run.succeeds && !desktop_skipped) || cell.step.id >= StepId::launcher_download;
    EXPECT_EQ(fx.log_lines().size(), runtime_kept ? 3u : 7u);

    const GameLaunch launch = fx.launch_installed();
    EXPECT_EQ(launch.run.exit_code, 0u);
    EXPECT_TRUE(launch.run.message_boxes.empty());
    ASSERT_TRUE(launch.record) << "the installed Velmora.exe did not start the game";
    EXPECT_EQ(launch.record->at("arguments"),
              nlohmann::json::array({join_path(fx.launcher_directory(), "VelmoraGame.dll")}));
}

TEST_P(FaultMatrix, ReportsThenRepairs) {
    const Cell& cell = GetParam();
    auto& outcome = outcomes()[{cell.fault, cell.step.id}];
    outcome_ = &outcome;
    if (cell.fault == Fault::disk_full) {
        const std::string runtime_parent = parent_of_runtime();
        disks_ = std::make_unique<SmallDisks>(
            Paths{fx_->temp, runtime_parent, std::string(parent_of(fx_->launcher_directory()))},
            16u << 20, shell_folder());
        if (!disks_->mounted()) {
            if (skips_allowed()) {
                outcome = "skipped: " + disks_->failure();
                GTEST_SKIP() << disks_->failure();
            }
            outcome = "no full disk: " + disks_->failure();
            FAIL() << "cannot set up the full disk: " << disks_->failure();
        }
    }
    // What an earlier install left, which no failure may change.
    write_test_file(fx_->state_file(), earlier_state);
    write_test_file(earlier_launcher_file(), earlier_launcher);
    const Expected expected = arrange(cell);
    DWORD process_id = 0;
    const std::uint32_t code = run_with_fault(cell, process_id);
    const auto report = fx_->report();
    outcome = code == 0 ? "ok" : report ? *report : "exit " + std::to_string(code) + ", no report";

    if (expected.hollow) {
        if (code == 0)
            outcome = "exit 0 with the archive not unpacked; the launch then reports it incomplete";
        check_hollow_success(cell, code);
    } else if (expected.succeeds) {
        check_fallback_success(cell, code, process_id);
    } else {
        // A killed setup ends with the code the kill gave it, which proves
        // nothing; the run was still going when killed (checked at the kill).
        if (expected.report) {
            EXPECT_EQ(code, 1u);
        }
        EXPECT_EQ(report, expected.report);
        check_left_behind(cell, process_id, expected.report.has_value());
    }
    put_back(fx_->bin, {cell.step.tool, "powershell.exe"});
    if (cell.fault == Fault::disk_full)
        free_disk(disk_of(cell.step.writes_to));
    repair_and_launch(cell, expected);
}

// Short codes in the grid, the exact texts below it.
void FaultMatrix::TearDownTestSuite() {
    std::vector<std::string> texts;
    const auto code_of = [&](const std::string& text) {
        if (text == "ok")
            return text;
        auto found = std::find(texts.begin(), texts.end(), text);
        if (found == texts.end())
            found = texts.insert(texts.end(), text);
        return "M" + std::to_string(found - texts.begin() + 1);
    };
    std::printf("\nFault matrix (fault x step; ok = installed; M<n> = report, see below)\n");
    std::printf("%-14s", "");
    for (const Step& step : steps())
        std::printf(" %-17s", step.name.c_str());
    std::printf("\n");
    for (std::size_t row = 0; row < fault_names.size(); ++row) {
        const auto fault = static_cast<Fault>(row);
        std::printf("%-14s", fault_name(fault).c_str());
        for (const Step& step : steps()) {
            const auto found = outcomes().find({fault, step.id});
            const std::string cell = found == outcomes().end() ? "-" : code_of(found->second);
            std::printf(" %-17s", cell.c_str());
        }
        std::printf("\n");
    }
    for (std::size_t i = 0; i < texts.size(); ++i)
        std::printf("M%zu: %s\n", i + 1, texts[i].c_str());
    std::fflush(stdout);
    outcomes().clear();
}

INSTANTIATE_TEST_SUITE_P(Cells, FaultMatrix, ::testing::ValuesIn(all_cells()),
                         [](const auto& info) {
                             return fault_name(info.param.fault) + "_" + info.param.step.name;
                         });

} // namespace
} // namespace velmora::test
