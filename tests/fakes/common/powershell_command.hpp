#pragma once
// The two PowerShell commands that the setup program sends, read the way
// PowerShell reads their single-quoted literals.

#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace velmora {

struct WebRequestCommand {
    std::string url;
    std::string out_file;
};

struct ExpandArchiveCommand {
    std::string archive;
    std::string destination;
};

using PowershellCommand = std::variant<WebRequestCommand, ExpandArchiveCommand>;

// Exactly one of (P being $ProgressPreference='SilentlyContinue'; $ErrorActionPreference='Stop';
// and T the try { ... Tls12 } catch {}; that switches TLS 1.2 on)
//   P T Invoke-WebRequest -UseBasicParsing -Uri 'URL' -OutFile 'PATH'
//   P Expand-Archive -LiteralPath 'A' -DestinationPath 'D' -Force
// A single quote is ' or one of U+2018..U+201B. Inside a literal two quotes
// in a row are one (the second) and nothing else is special; a lone quote
// ends it. Any other text, or text after the last part, gives nullopt.
std::optional<PowershellCommand> parse_powershell_command(std::string_view text);

} // namespace velmora
