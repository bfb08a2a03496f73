#include "app/launcher_request.hpp"

#include "common/text.hpp"

namespace velmora {

std::optional<std::uint32_t> parse_process_id(std::string_view text) {
    if (text.starts_with('+'))
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > UINT32_MAX) // checked per digit, so no overflow however long
            return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

Result<LauncherUpdateRequest>
parse_launcher_update_request(const std::vector<std::string>& arguments) {
    if (arguments.size() < 5)
        return SetupError{"Invalid launcher update request."};
    const auto process_id = parse_process_id(arguments[2]);
    if (!process_id)
        return SetupError{"Invalid launcher process id."};
    return LauncherUpdateRequest{*process_id, arguments[3], arguments[4]};
}

std::vector<std::string> process_query_arguments(std::uint32_t process_id) {
    return {"/FI", "PID eq " + std::to_string(process_id), "/NH"};
}

OpenFailure meaning_of_open_failure(std::uint32_t error_code) {
    constexpr std::uint32_t no_such_process = 87; // ERROR_INVALID_PARAMETER
    return error_code == no_such_process ? OpenFailure::process_gone : OpenFailure::may_still_run;
}

namespace {

bool shows_process_gone(const std::optional<ProcessListing>& listing, std::string_view id_text) {
    if (!listing || listing->exit_code != 0)
        return false;
    const std::string output = sanitize_utf8(listing->output);
    if (output.find_first_not_of(" \t\r\n") == std::string::npos)
        return false; // Wine's tasklist, or a broken WMI, answers nothing at all
    // Any occurrence counts, whatever column or longer number holds it:
    // waiting too long is harmless, unpacking over a running launcher is not.
    return output.find(id_text) == std::string::npos;
}

} // namespace

WaitEnd wait_for_process_end(std::uint32_t process_id, const ProcessQuery& query,
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
