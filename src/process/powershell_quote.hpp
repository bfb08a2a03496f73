#pragma once

#include <string>
#include <string_view>

namespace velmora {

// For a value placed between single quotes in a PowerShell command. PowerShell
// ends such a literal at any of five quote characters (' and U+2018 to
// U+201B), so each of them is doubled with itself; nothing else changes.
std::string powershell_quote(std::string_view text);

} // namespace velmora
