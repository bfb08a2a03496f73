#include "install/download_messages.hpp"

#include "common/text.hpp"

namespace velmora {
namespace {

// Tools report an unsigned status; the messages show it as Windows code
// does, so a crash status such as 0xC0000005 reads as a negative number.
std::string signed_decimal(std::uint32_t code) {
    return std::to_string(static_cast<std::int32_t>(code));
}

} // namespace

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

std::string download_exit_message(std::uint32_t exit_code) {
    return "Download failed with exit code " + signed_decimal(exit_code);
}

std::string download_failure_message(std::string_view reason) {
    return "Download failed: " + std::string(reason);
}

std::string extraction_exit_message(std::uint32_t exit_code) {
    return "Archive extraction failed with exit code " + signed_decimal(exit_code) + ".";
}

std::string extraction_failure_message(std::string_view reason) {
    return "Archive extraction failed: " + std::string(reason);
}

} // namespace velmora
