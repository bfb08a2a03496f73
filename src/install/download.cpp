#include "install/download.hpp"

#include "common/text.hpp"
#include "process/powershell.hpp"

namespace velmora {
namespace {

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

std::string web_request_command(std::string_view url, std::string_view destination) {
    return std::string(powershell_quiet_and_strict) + std::string(allow_tls12) +
           "Invoke-WebRequest -UseBasicParsing -Uri '" + powershell_quote(url) + "' -OutFile '" +
           powershell_quote(destination) + "'";
}

std::string to_lower_hex(std::span<const std::uint8_t> bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        hex += digits[byte >> 4];
        hex += digits[byte & 0x0F];
    }
    return hex;
}

bool digests_match(std::string_view actual, std::string_view expected) {
    return ascii_iequals(actual, expected);
}

std::string size_mismatch_message(std::uint64_t actual, std::uint64_t expected) {
    return "Downloaded file has " + std::to_string(actual) + " bytes; expected " +
           std::to_string(expected) + ".";
}

} // namespace velmora
