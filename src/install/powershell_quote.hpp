#pragma once

#include <string>
#include <string_view>

namespace velmora {

// For a value placed between single quotes in a PowerShell command: every
// single quote is doubled, nothing else changes.
std::string powershell_quote(std::string_view text);

} // namespace velmora
