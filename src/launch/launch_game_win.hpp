#pragma once
// Starts the installed game through the private runtime's dotnet.exe.

#include "common/setup_error.hpp"

namespace velmora {

// Reads the state file, checks that dotnet.exe and game_assembly_file_name exist,
// starts the host with the game and returns without waiting for it.
Status launch_game();

} // namespace velmora
