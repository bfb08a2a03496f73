#include "work_times_win.hpp"

#include "standin_win.hpp"
#include "work_times.hpp"

#include "common/system_queries_win.hpp"
#include "common/text_win.hpp"
#include "support/file_io_win.hpp"

#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace velmora {

namespace {

struct Timing {
    std::string tool;
    std::string path;
    std::int64_t start = 0;
};

// Read only by the exit handler, after wmain has returned.
std::optional<Timing> timing;

std::int64_t now_microseconds() {
    FILETIME now;
    ::GetSystemTimePreciseAsFileTime(&now);
    return unix_microseconds((std::uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

void record_at_exit() {
    const std::string line = work_time_line(timing->tool, timing->start, now_microseconds());
    if (auto appended = append_line(timing->path, line); !appended)
        report(timing->tool, "cannot write the times record: " + appended.error().message);
}

} // namespace

void time_whole_work(std::string_view tool) {
    const auto path = environment_variable(L"VELMORA_STANDIN_TIMES");
    if (!path || path->empty() || timing)
        return;
    timing = Timing{std::string(tool), narrow(*path), now_microseconds()};
    std::atexit(record_at_exit);
}

} // namespace velmora
