#include "app/launcher_update.hpp"

#include "common/text.hpp"
#include "common/texts.hpp"

namespace velmora {

Result<LauncherUpdateRequest>
parse_launcher_update_request(const std::vector<std::string>& arguments) {
    if (arguments.size() < 5)
        return SetupError{std::string(invalid_update_request_message)};
    const auto process_id = parse_process_id(arguments[2]);
    if (!process_id)
        return SetupError{std::string(invalid_launcher_process_id_message)};
    return LauncherUpdateRequest{*process_id, arguments[3], arguments[4]};
}

std::vector<std::string> process_query_arguments(std::uint32_t process_id) {
    return {"/FI", "PID eq " + std::to_string(process_id), "/NH"};
}

namespace {

bool shows_process_gone(const std::optional<TasklistAnswer>& answer, std::string_view id_text) {
    if (!answer || answer->exit_code != 0)
        return false;
    const std::string output = sanitize_utf8(answer->output);
    if (output.find_first_not_of(" \t\r\n") == std::string::npos)
        return false; // Wine's tasklist, or a broken WMI, answers nothing at all
    // Any occurrence counts, whatever column or longer number holds it:
    // waiting too long is harmless, unpacking over a running launcher is not.
    return output.find(id_text) == std::string::npos;
}

} // namespace

WaitEnd wait_for_process_end(std::uint32_t process_id, const TasklistQuery& query,
                             const Pause& pause) {
    const std::vector<std::string> arguments = process_query_arguments(process_id);
    const std::string id_text = std::to_string(process_id);
    for (int queries = 0; queries < max_process_queries; ++queries) {
        if (shows_process_gone(query(arguments), id_text))
            return WaitEnd::process_gone;
        pause(process_query_pause);
    }
    return WaitEnd::still_running;
}

Status require_launcher_gone(WaitEnd end) {
    if (end == WaitEnd::still_running)
        return SetupError{std::string(launcher_still_running_message)};
    return {};
}

} // namespace velmora
