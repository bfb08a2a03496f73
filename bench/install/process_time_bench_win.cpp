// The lifetime of one process as Windows records it, from its creation to its
// exit, so that an install's total is not blurred by the start-up of the Wine
// loader that runs this timer.
//
//   bench_process_time.exe PROGRAM [ARGUMENTS...]
//   bench_process_time.exe --curl CURL DESTINATION URL
//
// The second form gives curl the arguments an install gives it.
// Starts PROGRAM with the arguments, waits for it, prints the lines
//   process.lifetime <seconds> s
//   process.created <microseconds> us
//   process.exited <microseconds> us
// the last two since the Unix epoch (the clock of the stand-ins' times
// record), and ends with the program's exit code.

#include "common/command_line.hpp"
#include "common/handle_win.hpp"
#include "common/text_win.hpp"
#include "install/download.hpp"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace velmora {
namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "bench_process_time: %s\n", message.c_str());
    return 1;
}

std::uint64_t ticks(const FILETIME& time) {
    return (std::uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

long long unix_microseconds(const FILETIME& time) {
    constexpr std::uint64_t unix_epoch_ticks = 116'444'736'000'000'000ull;
    return static_cast<long long>((ticks(time) - unix_epoch_ticks) / 10);
}

int run(int argc, char** argv) {
    if (argc < 2 || (std::string(argv[1]) == "--curl" && argc != 5))
        return fail("usage: bench_process_time.exe PROGRAM [ARGUMENTS...] | --curl CURL DEST URL");
    const bool curl = std::string(argv[1]) == "--curl";
    const char* program = curl ? argv[2] : argv[1];
    const std::vector<std::string> arguments =
        curl ? curl_arguments(argv[4], argv[3]) : std::vector<std::string>(argv + 2, argv + argc);
    auto command_line = build_command_line(program, arguments);
    if (!command_line)
        return fail(command_line.error().message);
    std::wstring wide = widen(*command_line);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(widen(program).c_str(), wide.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &started))
        return fail("cannot start " + std::string(program));
    const UniqueHandle process(started.hProcess);
    const UniqueHandle thread(started.hThread);
    ::WaitForSingleObject(process.get(), INFINITE);

    DWORD exit_code = 0;
    FILETIME created, exited, kernel, user;
    if (!::GetExitCodeProcess(process.get(), &exit_code) ||
        !::GetProcessTimes(process.get(), &created, &exited, &kernel, &user))
        return fail("cannot read the process's times");
    std::printf("process.lifetime %.6f s\n", (ticks(exited) - ticks(created)) / 1e7);
    std::printf("process.created %lld us\n", unix_microseconds(created));
    std::printf("process.exited %lld us\n", unix_microseconds(exited));
    return static_cast<int>(exit_code);
}

} // namespace
} // namespace velmora

int main(int argc, char** argv) {
    return velmora::run(argc, argv);
}
