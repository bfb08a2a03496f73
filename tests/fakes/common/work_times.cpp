#include "work_times.hpp"

namespace velmora {

namespace {
// 1970-01-01 minus 1601-01-01, in FILETIME units.
constexpr std::uint64_t unix_epoch_ticks = 116'444'736'000'000'000ull;
} // namespace

std::int64_t unix_microseconds(std::uint64_t filetime_ticks) {
    return (static_cast<std::int64_t>(filetime_ticks) -
            static_cast<std::int64_t>(unix_epoch_ticks)) /
           10;
}

std::string work_time_line(std::string_view tool, std::int64_t start, std::int64_t end) {
    return std::string(tool) + ' ' + std::to_string(start) + ' ' + std::to_string(end) + '\n';
}

} // namespace velmora
