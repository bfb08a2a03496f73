#pragma once
// Texts of the download, integrity check and extraction: their messages and
// the digest comparison. Windows-free so that every rule is tested natively.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace velmora {

// Two lower-case hex digits per byte, high half first.
std::string to_lower_hex(std::span<const std::uint8_t> bytes);

// Same length and equal byte by byte once A-Z are mapped to a-z on both
// sides; nothing is trimmed, so a blank or a prefix makes them differ.
bool digests_match(std::string_view actual, std::string_view expected);

// "Downloaded file has A bytes; expected E."
std::string size_mismatch_message(std::uint64_t actual, std::uint64_t expected);

inline constexpr std::string_view integrity_failure_message =
    "A downloaded file failed its integrity check.";

// "Download failed with exit code N", N taken as signed; no full stop.
std::string download_exit_message(std::uint32_t exit_code);
// "Download failed: " + the reason.
std::string download_failure_message(std::string_view reason);

// "Archive extraction failed with exit code N.", N taken as signed.
std::string extraction_exit_message(std::uint32_t exit_code);
// "Archive extraction failed: " + the reason.
std::string extraction_failure_message(std::string_view reason);

} // namespace velmora
