#pragma once
// The environment block given to the game: the setup program's own, with the
// runtime's location set.

#include <string>
#include <string_view>

namespace velmora {

// `block` is a Windows environment block: "NAME=VALUE" entries, each ending
// in NUL, the block ending in one more NUL. Returns a block of the same form
// in which DOTNET_ROOT and DOTNET_ROOT_X64 are set to `dotnet_root`, each
// replacing every variable of that name in any letter case. Every other entry,
// the hidden "=C:" ones included, is kept as it is and where it is.
std::u16string make_game_environment(std::u16string_view block, std::u16string_view dotnet_root);

} // namespace velmora
