#include "launch/launch_game_win.hpp"

#include "common/command_line.hpp"
#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/system_queries_win.hpp"
#include "common/text_win.hpp"
#include "common/texts.hpp"
#include "files/file_system_win.hpp"
#include "install/state_file_win.hpp"
#include "launch/game_environment.hpp"
#include "process/launch_process_win.hpp"

#include <windows.h>

namespace velmora {
namespace {

// Inheritable duplicates of this process's standard input, output and error.
// A handle that is missing (a windowed program normally has none), no longer
// valid, or not a file, pipe or console cannot be handed on and stays null.
struct StandardHandles {
    UniqueHandle input;
    UniqueHandle output;
    UniqueHandle error;

    StandardStreams streams() const { return {input.get(), output.get(), error.get()}; }
};

UniqueHandle inheritable_copy(DWORD which) {
    const HANDLE own = ::GetStdHandle(which);
    HANDLE copy = nullptr;
    // In a windowed program a stale value may name some unrelated handle of
    // ours by now: only a file, pipe or console is a standard handle.
    if (own && own != INVALID_HANDLE_VALUE && ::GetFileType(own) != FILE_TYPE_UNKNOWN &&
        ::DuplicateHandle(::GetCurrentProcess(), own, ::GetCurrentProcess(), &copy, 0, TRUE,
                          DUPLICATE_SAME_ACCESS))
        return UniqueHandle(copy);
    return UniqueHandle();
}

StandardHandles duplicate_standard_handles() {
    return {inheritable_copy(STD_INPUT_HANDLE), inheritable_copy(STD_OUTPUT_HANDLE),
            inheritable_copy(STD_ERROR_HANDLE)};
}

Status start_host(const std::string& host, const std::string& game,
                  const std::string& working_directory, const std::string& dotnet_root) {
    const std::string prefix(game_start_failure_prefix);
    auto command_line = build_command_line(host, {game});
    if (!command_line)
        return SetupError{prefix + command_line.error().message};
    const std::u16string environment =
        make_game_environment(environment_block(), utf8_to_utf16(dotnet_root));
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
    const std::string game = join_path(state.launcherDirectory, game_assembly_file_name);
    if (!path_exists(host) || !path_exists(game))
        return SetupError{std::string(game_incomplete_message)};
    return start_host(host, game, state.launcherDirectory, state.dotnetRoot);
}

} // namespace velmora
