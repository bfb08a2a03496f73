#pragma once
// What a download hands curl and PowerShell, how its failure reads, and the
// digest comparison of its check. Windows-free so that every rule is tested
// natively.

#include "common/texts.hpp"
#include "process/tool_outcome.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// curl.exe --disable --ssl-revoke-best-effort --fail --location --retry 3 --retry-max-time 120
//   --connect-timeout 20 --speed-limit 1 --speed-time 60 --output DEST URL
std::vector<std::string> curl_arguments(std::string_view url, std::string_view destination);

// The Invoke-WebRequest command that fetches the URL into the destination.
std::string web_request_command(std::string_view url, std::string_view destination);

// "Download failed with exit code N" (no full stop), "Download failed: reason".
inline constexpr FailureTexts download_failure_texts{download_failed_text, ""};

// Two lower-case hex digits per byte, high half first.
std::string to_lower_hex(std::span<const std::uint8_t> bytes);

// Same length and equal byte by byte once A-Z are mapped to a-z on both
// sides; nothing is trimmed, so a blank or a prefix makes them differ.
bool digests_match(std::string_view actual, std::string_view expected);

// "Downloaded file has A bytes; expected E."
std::string size_mismatch_message(std::uint64_t actual, std::uint64_t expected);

} // namespace velmora
