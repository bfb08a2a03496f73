#pragma once
// The texts of a record reader's faults. The document may hold any bytes and
// any amount of them, while the description ends up in a message box: what
// it quotes is cut short and made valid UTF-8.

#include "json/cursor.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// No fault description, its position included, is longer than this.
inline constexpr std::size_t max_json_fault_size = 300;

enum class JsonKind { string, integer, floating, boolean, null, sequence, map };

// A JSON value as far as a record needs it: what to store and what to say
// about it when it does not fit.
struct JsonValue {
    JsonKind kind;
    std::string text; // string contents, the number's text, "true"/"false"
    std::optional<std::uint64_t> unsigned_value = std::nullopt; // integers 0..2^64-1
};

// "invalid type: <the value>, expected <expected>"
std::string invalid_type(const JsonValue& value, std::string_view expected);
// "invalid value: <the value>, expected <expected>"
std::string invalid_value(const JsonValue& value, std::string_view expected);

// Shortest text that reads back as the same double, fixed or scientific
// whichever is shorter (fixed on a tie), never mistaken for an integer.
std::string float_text(double value);

// The JSON library's description of a syntax fault (its exception text),
// without the library's own lead and position, its echo of the last token
// cut short, and a NUL byte that ended the input named for what it is.
std::string library_fault(const JsonCursor& cursor, std::string_view what,
                          const std::string& last_token);

// "<description> at line L column C"
std::string with_position(std::string_view description, TextPosition at);

} // namespace velmora
