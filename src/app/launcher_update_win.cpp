#include "app/launcher_update_win.hpp"

#include "app/launcher_update.hpp"
#include "common/handle_win.hpp"
#include "common/system_error.hpp"
#include "common/system_error_win.hpp"
#include "common/system_queries_win.hpp"
#include "install/extract_win.hpp"
#include "launch/launch_game_win.hpp"
#include "process/tool_runner_win.hpp"

#include <windows.h>

namespace velmora {
namespace {

std::optional<TasklistAnswer> query_tasklist(const std::vector<std::string>& arguments) {
    auto run = capture_tool("tasklist.exe", arguments);
    if (!run)
        return std::nullopt;
    return TasklistAnswer{run->exit_code, std::move(run->output)};
}

// Waits on the launcher's process itself; tasklist is asked only when the
// process exists but may not be opened (another user's, or a protected one).
Result<WaitEnd> wait_for_launcher(std::uint32_t process_id) {
    const UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, process_id));
    if (!process) {
        if (meaning_of_open_failure(::GetLastError()) == OpenFailure::process_gone)
            return WaitEnd::process_gone;
        return wait_for_process_end(process_id, query_tasklist, pause_for);
    }
    const auto limit = std::chrono::duration_cast<std::chrono::milliseconds>(launcher_wait);
    switch (::WaitForSingleObject(process.get(), static_cast<DWORD>(limit.count()))) {
    case WAIT_OBJECT_0:
        return WaitEnd::process_gone;
    case WAIT_TIMEOUT:
        return WaitEnd::still_running;
    default:
        return last_system_error();
    }
}

} // namespace

Status apply_launcher_update(const std::vector<std::string>& arguments) {
    VELMORA_TRY_ASSIGN(const LauncherUpdateRequest request,
                       parse_launcher_update_request(arguments));
    // Nothing is unpacked over a launcher that still runs: its files would
    // end up half old and half new.
    VELMORA_TRY_ASSIGN(const WaitEnd end, wait_for_launcher(request.process_id));
    VELMORA_TRY(require_launcher_gone(end));
    VELMORA_TRY(extract_archive(request.archive, request.destination));
    return launch_game();
}

} // namespace velmora
