#pragma once
// The optional timing record of the stand-ins: when VELMORA_STANDIN_TIMES
// names a file, every stand-in appends one line "<tool> <start> <end>" with
// the wall-clock times around its whole work, in microseconds since the Unix
// epoch, so that a benchmark can tell the tools' share of an install from the
// setup program's own.

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// A FILETIME count (100 ns units since 1601-01-01 UTC) as microseconds since
// 1970-01-01 UTC, the clock that Linux tools read too.
std::int64_t unix_microseconds(std::uint64_t filetime_ticks);

// One record line, newline included.
std::string work_time_line(std::string_view tool, std::int64_t start, std::int64_t end);

} // namespace velmora
