#include "launch/launch_game_win.hpp"

#include "common/command_line.hpp"
#include "common/path.hpp"
#include "common/text_win.hpp"
#include "files/path_exists_win.hpp"
#include "install/state_file_win.hpp"
#include "launch/game_environment.hpp"
#include "launch/standard_handles_win.hpp"

#include <windows.h>

namespace velmora {
namespace {

constexpr const char* incomplete_message =
    "Velmora is incomplete. Run its setup again to repair it.";

// The setup program's environment block, copied before it is released.
std::u16string current_environment() {
    wchar_t* block = ::GetEnvironmentStringsW();
    if (!block)
        return std::u16string(2, u'\0');
    const wchar_t* end = block;
    while (*end || *(end + 1))
        ++end;
    std::u16string copy(reinterpret_cast<const char16_t*>(block), end - block + 2);
    ::FreeEnvironmentStringsW(block);
    return copy;
}

Status start_host(const std::string& host, const std::string& game,
                  const std::string& working_directory, const std::string& dotnet_root) {
    const std::string prefix = "Could not start Velmora: ";
    auto command_line = build_command_line(host, {game});
    if (!command_line)
        return SetupError{prefix + command_line.error().message};
    const std::u16string environment =
        make_game_environment(current_environment(), utf8_to_utf16(dotnet_root));
    // The game gets our standard handles and nothing else; with none (the
    // usual windowed start) it inherits nothing at all.
    const StandardHandles standard = duplicate_standard_handles();
    // The game runs on by itself: nobody waits for it.
    if (auto started = launch_process(
            {host, *command_line, standard.streams(), &environment, working_directory});
        !started)
        return SetupError{prefix + started.error().message};
    return {};
}

} // namespace

Status launch_game() {
    VELMORA_TRY_ASSIGN(const InstallLayout layout, install_layout());
    VELMORA_TRY_ASSIGN(const BootstrapState state, read_state(layout));
    const std::string host = join_path(state.dotnetRoot, "dotnet.exe");
    const std::string game = join_path(state.launcherDirectory, "VelmoraGame.dll");
    if (!path_exists(host) || !path_exists(game))
        return SetupError{incomplete_message};
    return start_host(host, game, state.launcherDirectory, state.dotnetRoot);
}

} // namespace velmora
