// Wall time of the setup program's launch mode against the least a windowed
// program can do to start the same game host, both started from here, in
// interleaved rounds, under the same conditions.
//
//   bench_launch.exe --setup PATH --minimal PATH --host PATH --game PATH
//                    --launcher-directory PATH --dotnet-root TEXT
//                    --record PATH [--rounds N]
//
// One run is the time from CreateProcessW to the program's exit. After each
// run the stand-in host's record (VELMORA_STANDIN_DOTNET_RECORD, which the
// caller points at --record) must appear: a run that started no game would
// time nothing useful. Waiting for it also keeps one run's game from
// competing with the next run. Results are lines "launch.NAME VALUE UNIT":
// per side (setup, minimal) its runs and min, median, p99 and max in ms, then
// the ratio of the medians.

#include "common/command_line.hpp"
#include "common/handle_win.hpp"
#include "common/text_win.hpp"
#include "launch_options.hpp"
#include "launch_plan.hpp"
#include "sample_stats.hpp"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace velmora {
namespace {

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "bench_launch: %s\n", message.c_str());
    std::exit(1);
}

double now_seconds() {
    static const double frequency = [] {
        LARGE_INTEGER value;
        ::QueryPerformanceFrequency(&value);
        return static_cast<double>(value.QuadPart);
    }();
    LARGE_INTEGER value;
    ::QueryPerformanceCounter(&value);
    return static_cast<double>(value.QuadPart) / frequency;
}

bool exists(const std::string& path) {
    return ::GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Seconds from creation to exit of one program run with this command line.
double time_run(const std::string& program, const std::string& command_line) {
    std::wstring command_w = widen(command_line);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const double start = now_seconds();
    if (!::CreateProcessW(widen(program).c_str(), command_w.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, nullptr, &startup, &info))
        fail("cannot start " + program + " (error " + std::to_string(::GetLastError()) + ")");
    const UniqueHandle process(info.hProcess);
    const UniqueHandle thread(info.hThread);
    // A launch that fails shows an error box and waits for a person.
    if (::WaitForSingleObject(process.get(), 30'000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 1);
        fail(program + " did not end within 30 s: is an error box open?");
    }
    const double seconds = now_seconds() - start;
    DWORD exit_code = 1;
    ::GetExitCodeProcess(process.get(), &exit_code);
    if (exit_code != 0)
        fail(program + " ended with exit code " + std::to_string(exit_code));
    return seconds;
}

void await_game(const std::string& record, const std::string& program) {
    for (int waited = 0; !exists(record); waited += 5) {
        if (waited > 10'000)
            fail(program + " started no game: no host record within 10 s");
        ::Sleep(5);
    }
}

std::string read_record(const std::string& path) {
    const UniqueFile file(::CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    if (!file)
        fail("cannot read the host record " + path);
    std::string bytes;
    char chunk[4096];
    for (DWORD got = 0; ::ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0;)
        bytes.append(chunk, got);
    return bytes;
}

std::string quoted_command(const std::string& program, const std::vector<std::string>& arguments) {
    auto command_line = build_command_line(program, arguments);
    if (!command_line)
        fail(command_line.error().message);
    return *command_line;
}

void print_summary(const char* side, const std::vector<double>& seconds) {
    const SampleSummary s = summarize(seconds);
    std::printf("launch.%s_runs %zu count\n", side, s.count);
    const std::pair<const char*, double> figures[] = {
        {"min", s.minimum}, {"median", s.median}, {"p99", s.p99}, {"max", s.maximum}};
    for (const auto& [name, value] : figures)
        std::printf("launch.%s_%s %.2f ms\n", side, name, value * 1e3);
}

int run(int argc, char** argv) {
    const auto parsed = parse_launch_options(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed)
        fail(parsed.error().message);
    const LaunchOptions& options = *parsed;
    const std::string& setup = options.setup;
    const std::string& minimal = options.minimal;
    const std::string& record = options.record;
    const std::string setup_command = quoted_command(setup, {"--launch"});
    const std::string minimal_command = quoted_command(
        minimal, {options.host, options.game, options.launcher_directory, options.dotnet_root});

    const auto run_side = [&](LaunchSide side) {
        const bool is_setup = side == LaunchSide::setup;
        const std::string& program = is_setup ? setup : minimal;
        ::DeleteFileW(widen(record).c_str());
        if (exists(record))
            fail("cannot remove the host record " + record);
        const double seconds = time_run(program, is_setup ? setup_command : minimal_command);
        await_game(record, program);
        return seconds;
    };

    // Warm-up: the loader and the file cache see both programs once first.
    // The host must have been started alike by both, or the comparison is void.
    run_side(LaunchSide::setup);
    const std::string setup_record = read_record(record);
    run_side(LaunchSide::minimal);
    if (read_record(record) != setup_record)
        fail("the two programs started the host differently:\n" + setup_record + "\n" +
             read_record(record));
    std::vector<double> setup_seconds, minimal_seconds;
    for (const LaunchSide side : interleaved_order(options.rounds))
        (side == LaunchSide::setup ? setup_seconds : minimal_seconds).push_back(run_side(side));

    print_summary("setup", setup_seconds);
    print_summary("minimal", minimal_seconds);
    std::printf("launch.ratio %.3f ratio\n", launch_ratio(setup_seconds, minimal_seconds));
    return 0;
}

} // namespace
} // namespace velmora

int main(int argc, char** argv) {
    return velmora::run(argc, argv);
}
