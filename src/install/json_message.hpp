#pragma once
// Pieces of a JSON reader's fault description that quote the document. The
// document may hold any bytes and any amount of them, while the description
// ends up in a message box: what it quotes is cut short and made valid UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora {

// No fault description, its position included, is longer than this.
inline constexpr std::size_t max_json_fault_size = 300;

// The text in double quotes, escaped like a JSON string but with \u{..} for
// other control characters; from the start, cut with "…" when long.
std::string quoted_excerpt(std::string_view text);

// A number's literal (ASCII, as the parser read it), cut with "…" when long.
std::string literal_excerpt(std::string_view literal);

// The end of the parser's echo of its last token, where the fault is: cut
// with a leading "…" when long, never inside a "<U+XXXX>" it wrote for a
// control character.
std::string token_excerpt(std::string_view token);

} // namespace velmora
