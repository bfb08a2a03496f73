#include "app/launcher_update_win.hpp"

#include "app/launcher_request.hpp"
#include "install/extract_win.hpp"
#include "launch/launch_game_win.hpp"
#include "process/tool_capture_win.hpp"

#include <windows.h>

namespace velmora {
namespace {

// tasklist's answer; its exit code and standard error tell nothing here.
std::optional<std::string> query_tasklist(const std::vector<std::string>& arguments) {
    auto run = capture_tool("tasklist.exe", arguments);
    if (!run)
        return std::nullopt;
    return std::move(run->output);
}

void pause_for(std::chrono::milliseconds duration) {
    ::Sleep(static_cast<DWORD>(duration.count()));
}

} // namespace

Status apply_launcher_update(const std::vector<std::string>& arguments) {
    VELMORA_TRY_ASSIGN(const LauncherUpdateRequest request,
                       parse_launcher_update_request(arguments));
    // However the wait ends, the update goes on: a launcher that outlives
    // every query, or a tasklist that cannot run, must not strand the user.
    wait_for_process_end(request.process_id, query_tasklist, pause_for);
    VELMORA_TRY(extract_archive(request.archive, request.destination));
    return launch_game();
}

} // namespace velmora
