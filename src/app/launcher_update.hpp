#pragma once
// The rules of the launcher's update hand-off: its request read from the
// command line, and how long and by what signs the launcher is waited for.
// Windows-free: the query and the pause are handed in, so the wait's rules
// run under a fake as well as under tasklist.

#include "common/setup_error.hpp"
#include "common/system_error.hpp"

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

// Elements: program, switch, process id (parse_process_id's forms), archive,
// destination; later ones are ignored. A missing element is reported before
// a malformed process id.
Result<LauncherUpdateRequest>
parse_launcher_update_request(const std::vector<std::string>& arguments);

// The arguments of one tasklist query: "/FI", "PID eq <id>", "/NH".
std::vector<std::string> process_query_arguments(std::uint32_t process_id);

// How long the launcher is waited for. It has been asked to end, but closing
// a large game can take it a while: twice the 30 s that tasklist's queries
// cover.
inline constexpr std::chrono::seconds launcher_wait{60};

inline constexpr int max_process_queries = 120;
inline constexpr std::chrono::milliseconds process_query_pause{250};

// One tasklist answer: its exit code and raw standard output.
struct TasklistAnswer {
    std::uint32_t exit_code = 0;
    std::string output;
};

// Runs one query; nullopt when the tool could not be started or waited for.
using TasklistQuery =
    std::function<std::optional<TasklistAnswer>(const std::vector<std::string>& arguments)>;

enum class WaitEnd { process_gone, still_running };

// Queries until an answer shows the process gone, pausing after every other
// answer. Only a real answer (exit code 0, some output) without the id's
// decimal text means gone: a tool that cannot run, an error, an empty answer
// or running out of queries all count as still running, because unpacking
// over a running launcher leaves a mix of old and new files.
WaitEnd wait_for_process_end(std::uint32_t process_id, const TasklistQuery& query,
                             const Pause& pause);

// The update goes on only over a launcher that has gone.
Status require_launcher_gone(WaitEnd end);

} // namespace velmora
