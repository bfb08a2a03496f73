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

WaitEnd wait_for_process_end(std::uint32_t process_id, const ProcessQuery& query,
                             const Pause& pause) {
    const std::vector<std::string> arguments = process_query_arguments(process_id);
    const std::string id_text = std::to_string(process_id);
    for (int queries = 0; queries < max_process_queries; ++queries) {
        const std::optional<std::string> output = query(arguments);
        if (!output)
            return WaitEnd::query_failed;
        // Any occurrence counts, whatever column or longer number holds it:
        // waiting too long is harmless, unpacking over a running launcher is not.
        if (sanitize_utf8(*output).find(id_text) == std::string::npos)
            return WaitEnd::process_gone;
        pause(process_query_pause);
    }
    return WaitEnd::queries_spent;
}

} // namespace velmora
