// The least a windowed program can do to start the game: the reference for
// the setup program's launch mode. It creates the game host exactly as the
// launch does (same program, command line, environment, working directory and
// flags) and neither reads a state file nor checks a path.
//
//   bench_launch_minimal.exe HOST GAME WORKING_DIRECTORY DOTNET_ROOT
//
// Exit code 0 once the host process exists, 1 on any failure.

#include "common/command_line.hpp"
#include "common/handle_win.hpp"
#include "common/system_queries_win.hpp"
#include "common/text_win.hpp"
#include "launch/game_environment.hpp"

#include <windows.h>

namespace velmora {
namespace {

int run() {
    const auto arguments =
        command_line_arguments(reinterpret_cast<const char16_t*>(::GetCommandLineW()));
    if (arguments.size() != 5)
        return 1;
    const std::string& host = arguments[1];
    auto command_line = build_command_line(host, {arguments[2]});
    if (!command_line)
        return 1;
    std::wstring command_w = widen(*command_line);
    std::u16string environment =
        make_game_environment(environment_block(), utf8_to_utf16(arguments[4]));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(widen(host).c_str(), command_w.data(), nullptr, nullptr, FALSE,
                          CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, environment.data(),
                          widen(arguments[3]).c_str(), &startup, &info))
        return 1;
    const UniqueHandle process(info.hProcess);
    const UniqueHandle thread(info.hThread);
    return 0;
}

} // namespace
} // namespace velmora

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return velmora::run();
}
