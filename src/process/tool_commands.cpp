#include "process/tool_commands.hpp"

#include "process/powershell_quote.hpp"

namespace velmora {
namespace {

// Makes the first failing cmdlet end the command with a non-zero exit code.
constexpr std::string_view stop_on_error = "$ErrorActionPreference='Stop'; ";

} // namespace

std::vector<std::string> curl_arguments(std::string_view url, std::string_view destination) {
    // --disable must come first: it keeps curl from reading the user's .curlrc,
    // which could turn off certificate checks or write headers into the file.
    // A server that stalls mid-body for a minute ends the attempt (speed
    // limit), and a Retry-After longer than two minutes ends curl's retrying so
    // that PowerShell gets its turn; three ordinary retries fit in two minutes.
    return {"--disable",
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
    return std::string(stop_on_error) + "Invoke-WebRequest -UseBasicParsing -Uri '" +
           powershell_quote(url) + "' -OutFile '" + powershell_quote(destination) + "'";
}

std::vector<std::string> tar_arguments(std::string_view archive, std::string_view destination) {
    return {"-xf", std::string(archive), "-C", std::string(destination)};
}

std::string expand_archive_command(std::string_view archive, std::string_view destination) {
    return std::string(stop_on_error) + "Expand-Archive -LiteralPath '" +
           powershell_quote(archive) + "' -DestinationPath '" + powershell_quote(destination) +
           "' -Force";
}

} // namespace velmora
