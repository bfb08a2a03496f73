#pragma once
// The texts that quote a document in a fault description: its values as the
// record reader refuses them, and the end of what the parser read. The
// document may hold any bytes and any amount of them, while the description
// ends up in a message box: what it quotes is cut short and made valid UTF-8.

#include "json/parser.hpp"

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora {

// No fault description, its position included, is longer than this.
inline constexpr std::size_t max_json_fault_size = 300;

// "invalid type: <the value>, expected <expected>"
std::string invalid_type(const JsonValue& value, std::string_view expected);
// "invalid value: <the value>, expected <expected>"
std::string invalid_value(const JsonValue& value, std::string_view expected);

// Shortest text that reads back as the same double, fixed or scientific
// whichever is shorter (fixed on a tie), never mistaken for an integer.
std::string float_text(double value);

// The end of the text, made valid UTF-8, behind a "…" when cut short. It is
// cut only where a character starts, or a unit of the text: unit_length gives
// the bytes of the one that starts the rest, 0 when none does.
std::string end_excerpt(std::string_view text, std::size_t (*unit_length)(std::string_view rest));

} // namespace velmora
