#pragma once
// The launcher's update request read from the command line, and the wait for
// the launcher's process to end. Windows-free: the query and the pause are
// handed in, so the wait's rules run under a fake as well as under tasklist.

#include "common/setup_error.hpp"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

struct LauncherUpdateRequest {
    std::uint32_t process_id = 0;
    std::string archive;     // taken as it stands, never checked here
    std::string destination; // likewise
};

// Elements: program, switch, process id, archive, destination; later ones are
// ignored. A missing element is reported before a malformed process id.
Result<LauncherUpdateRequest>
parse_launcher_update_request(const std::vector<std::string>& arguments);

// Decimal 0..4294967295 with one optional leading '+'; leading zeros allowed.
std::optional<std::uint32_t> parse_process_id(std::string_view text);

// The arguments of one tasklist query: "/FI", "PID eq <id>", "/NH".
std::vector<std::string> process_query_arguments(std::uint32_t process_id);

inline constexpr int max_process_queries = 120;
inline constexpr std::chrono::milliseconds process_query_pause{250};

// Runs one query and returns the tool's raw standard output, or nullopt when
// the tool could not be started or waited for.
using ProcessQuery =
    std::function<std::optional<std::string>(const std::vector<std::string>& arguments)>;
using Pause = std::function<void(std::chrono::milliseconds)>;

enum class WaitEnd {
    process_gone,  // an answer without the id
    query_failed,  // the tool could not be run: waiting makes no sense
    queries_spent, // still listed after every query: go on regardless
};

// Queries until the process id's decimal text is missing from an answer,
// pausing after each answer that still holds it.
WaitEnd wait_for_process_end(std::uint32_t process_id, const ProcessQuery& query,
                             const Pause& pause);

} // namespace velmora
