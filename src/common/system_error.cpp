#include "common/system_error.hpp"

#include <algorithm>

namespace velmora {

std::string compose_system_error(std::optional<std::string_view> system_message, std::uint32_t code,
                                 std::uint32_t lookup_error) {
    if (!system_message) {
        return "OS Error " + std::to_string(code) + " (FormatMessageW() returned error " +
               std::to_string(lookup_error) + ")";
    }
    std::string_view text = *system_message;
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n' || text.back() == '\v' || text.back() == '\f'))
        text.remove_suffix(1);
    return std::string(text) + " (os error " + std::to_string(code) + ")";
}

OpenFailure meaning_of_open_failure(std::uint32_t error_code) {
    constexpr std::uint32_t no_such_process = 87; // ERROR_INVALID_PARAMETER
    return error_code == no_such_process ? OpenFailure::process_gone : OpenFailure::may_still_run;
}

bool is_transient_file_error(std::uint32_t error_code) {
    // ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION,
    // ERROR_DIR_NOT_EMPTY
    return error_code == 5 || error_code == 32 || error_code == 33 || error_code == 145;
}

std::uint32_t retry_while_busy(const FileAttempt& attempt, const Pause& pause) {
    // 50 ms doubling to 2 s, then 2 s at a time: about 30 s of pauses.
    constexpr std::chrono::milliseconds budget{30000};
    constexpr std::chrono::milliseconds longest{2000};
    const std::uint32_t first = attempt();
    std::chrono::milliseconds next{50};
    std::chrono::milliseconds waited{0};
    for (std::uint32_t error = first; error != 0; error = attempt()) {
        if (!is_transient_file_error(error) || waited >= budget)
            return first;
        pause(next);
        waited += next;
        next = std::min(next * 2, longest);
    }
    return 0;
}

} // namespace velmora
