#pragma once
// What PowerShell is given: its argument list, and the quoting of values in
// the commands that downloads and extraction hand it.

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// For a value placed between single quotes in a PowerShell command. PowerShell
// ends such a literal at any of five quote characters (' and U+2018 to
// U+201B), so each of them is doubled with itself; nothing else changes.
std::string powershell_quote(std::string_view text);

// What every command starts with. A progress bar is drawn even in a hidden
// session, and slows Invoke-WebRequest and Expand-Archive many times over;
// the first failing cmdlet then ends the command with a non-zero exit code.
inline constexpr std::string_view powershell_quiet_and_strict =
    "$ProgressPreference='SilentlyContinue'; $ErrorActionPreference='Stop'; ";

// -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command <command>
std::vector<std::string> powershell_arguments(std::string_view command);

} // namespace velmora
