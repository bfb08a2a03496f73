#pragma once
// UTF-8 is the program's text; UTF-16 appears only at the Windows edge.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

inline constexpr std::string_view replacement_character = "\xEF\xBF\xBD"; // U+FFFD

// Each unpaired surrogate becomes U+FFFD.
std::string utf16_to_utf8(std::u16string_view text);

// Each ill-formed sequence becomes U+FFFD.
std::u16string utf8_to_utf16(std::string_view text);

// Re-encodes bytes as valid UTF-8, each ill-formed sequence becoming U+FFFD.
std::string sanitize_utf8(std::string_view bytes);

// True when the UTF-16 text holds no unpaired surrogate.
bool is_valid_utf16(std::u16string_view text);

// Equality after mapping A-Z onto a-z; every other byte must match exactly.
bool ascii_iequals(std::string_view a, std::string_view b);

// Plain unsigned decimal: digits only, at least one, no more than `limit`.
std::optional<std::uint64_t> parse_decimal(std::string_view text, std::uint64_t limit);

// A process id in decimal, 0..4294967295, with one optional leading '+' and
// leading zeros allowed: the form a caller may write on a command line.
std::optional<std::uint32_t> parse_process_id(std::string_view text);

// A process id only in the form this program writes one (std::to_string's):
// no sign, no leading zero. For the names it gives its own folders.
std::optional<std::uint32_t> parse_written_process_id(std::string_view text);

} // namespace velmora
