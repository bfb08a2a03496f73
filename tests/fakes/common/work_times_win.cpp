#include "work_times_win.hpp"

#include "standin_win.hpp"
#include "work_times.hpp"

#include "common/environment_win.hpp"
#include "common/handle_win.hpp"
#include "common/system_error_win.hpp"

#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace velmora {

namespace {

struct Timing {
    std::string tool;
    std::wstring path;
    std::int64_t start = 0;
};

// Read only by the exit handler, after wmain has returned.
std::optional<Timing> timing;

std::int64_t now_microseconds() {
    FILETIME now;
    ::GetSystemTimePreciseAsFileTime(&now);
    return unix_microseconds((std::uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

// One write on an append-only handle, so that tools ending at the same time
// never split each other's lines.
Status append_line(const std::wstring& path, const std::string& line) {
    const UniqueFile file(::CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return last_system_error();
    DWORD written = 0;
    if (!::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr))
        return last_system_error();
    return {};
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
    timing = Timing{std::string(tool), *path, now_microseconds()};
    std::atexit(record_at_exit);
}

} // namespace velmora
