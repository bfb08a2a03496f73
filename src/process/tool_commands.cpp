#include "process/tool_commands.hpp"

#include "process/powershell_quote.hpp"

namespace velmora {
namespace {

// A progress bar is drawn even in a hidden session, and slows Invoke-WebRequest
// and Expand-Archive many times over; the first failing cmdlet then ends the
// command with a non-zero exit code.
constexpr std::string_view quiet_and_strict =
    "$ProgressPreference='SilentlyContinue'; $ErrorActionPreference='Stop'; ";

// Windows PowerShell 5.1 on .NET Framework may offer a server only SSL 3 and
// TLS 1.0, which every current host refuses. Constrained Language Mode
// refuses the assignment: the catch lets the download go on with what the
// session offers.
constexpr std::string_view allow_tls12 =
    "try { [Net.ServicePointManager]::SecurityProtocol = "
    "[Net.ServicePointManager]::SecurityProtocol -bor [Net.SecurityProtocolType]::Tls12 } "
    "catch {}; ";

} // namespace

std::vector<std::string> curl_arguments(std::string_view url, std::string_view destination) {
    // --disable must come first: it keeps curl from reading the user's .curlrc,
    // which could turn off certificate checks or write headers into the file.
    // A server that stalls mid-body for a minute ends the attempt (speed
    // limit), and a Retry-After longer than two minutes ends curl's retrying so
    // that PowerShell gets its turn; three ordinary retries fit in two minutes.
    // A certificate whose revocation cannot be checked (an antivirus's or a
    // company proxy's own root, a network that cannot reach the CA) does not
    // fail Schannel's handshake; a revoked one still does. A curl older than
    // 7.70 does not know the option and exits 2 at once: PowerShell downloads.
    return {"--disable",
            "--ssl-revoke-best-effort",
            "--fail",
            "--location",
            "--retry",
            "3",
            "--retry-max-time",
            "120",
            "--connect-timeout",
            "20",
            "--speed-limit",
            "1",
            "--speed-time",
            "60",
            "--output",
            std::string(destination),
            std::string(url)};
}

std::vector<std::string> powershell_arguments(std::string_view command) {
    return {"-NoProfile", "-NonInteractive", "-ExecutionPolicy",
            "Bypass",     "-Command",        std::string(command)};
}

std::string web_request_command(std::string_view url, std::string_view destination) {
    return std::string(quiet_and_strict) + std::string(allow_tls12) +
           "Invoke-WebRequest -UseBasicParsing -Uri '" + powershell_quote(url) + "' -OutFile '" +
           powershell_quote(destination) + "'";
}

std::vector<std::string> tar_arguments(std::string_view archive, std::string_view destination) {
    return {"-xf", std::string(archive), "-C", std::string(destination)};
}

std::string expand_archive_command(std::string_view archive, std::string_view destination) {
    return std::string(quiet_and_strict) + "Expand-Archive -LiteralPath '" +
           powershell_quote(archive) + "' -DestinationPath '" + powershell_quote(destination) +
           "' -Force";
}

} // namespace velmora
