#pragma once
// What the stand-in tasklist.exe answers to "/FI "PID eq N" /NH".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velmora {

// The process id of the only query form accepted: exactly the three
// arguments "/FI", "PID eq N" and "/NH", N a plain decimal 32-bit number.
std::optional<std::uint32_t> parse_tasklist_query(const std::vector<std::string>& arguments);

struct RealProcesses {};
struct ScriptedAnswers {
    std::string path;
};
struct BigAnswer {
    std::uint64_t bytes = 0;
};
using TasklistMode = std::variant<RealProcesses, ScriptedAnswers, BigAnswer>;

// "@real", "@script PATH" or "@big N"; an absent variable means "@real".
std::optional<TasklistMode> parse_tasklist_mode(std::optional<std::string_view> setting);

// The answers of a script, separated by lines that read "---" (a CR before
// the line end is allowed). Each answer keeps its own line ends verbatim.
std::vector<std::string> split_script_answers(std::string_view script);

// The answer to the query numbered `index` (from 0); past the end the last
// answer repeats.
std::string_view scripted_answer(const std::vector<std::string>& answers, std::uint64_t index);

// One line in tasklist's table form for a running process.
std::string tasklist_row(std::string_view image_name, std::uint32_t pid);

inline constexpr std::string_view no_tasks_answer =
    "INFO: No tasks are running which match the specified criteria.\r\n";

// `bytes` bytes of table-like lines that hold no digit at all, so that no
// process id can be found in them.
std::string digitless_filler(std::uint64_t bytes);

} // namespace velmora
