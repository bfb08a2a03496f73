#pragma once
// What every stand-in tool does at its start: log the start, read the rules,
// and carry out the rule actions that do not depend on the tool.

#include "rules.hpp"
#include "tool_request.hpp"

#include "common/setup_error.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// Exit codes of the stand-ins' own faults, distinct from the tools' codes so
// that a broken test set-up is recognised in the program's messages.
inline constexpr int exit_bad_rules = 97;
inline constexpr int exit_log_failed = 98;

// wmain's argv[1..] as UTF-8.
std::vector<std::string> utf8_arguments(int argc, wchar_t** argv);

// Appends ["tool", args...] to VELMORA_STANDIN_LOG when it is set, in one
// write to a file opened for appending.
Status log_start(std::string_view tool, const std::vector<std::string>& arguments);

// The first rule of VELMORA_STANDIN_RULES for this tool and subject. A set
// variable naming a missing file means no rules.
Result<std::optional<Rule>> rule_for(std::string_view tool, std::string_view subject);

// The environment variable as UTF-8; nullopt when absent.
std::optional<std::string> environment_text(std::wstring_view name);

// Runs the actions `exit`, `gate` and `stdin`; returns the exit code when the
// tool must end at once. `status` and `short` are left to the tool.
std::optional<std::uint32_t> apply_common_action(const std::optional<Rule>& rule);

// Everything a stand-in does before its own work, starting with the timing
// record of work_times_win.hpp. Returns the exit code when the tool must end
// now (a rule's exit, a broken rules file or log).
struct StartOutcome {
    std::optional<std::uint32_t> exit_code;
    std::optional<Rule> rule;
};
StartOutcome start_stand_in(std::string_view tool, const std::vector<std::string>& arguments,
                            std::string_view subject);

// start_stand_in for a tool whose one accepted form is the program's
// argument list `form`, the request's source (named `source_name` in the
// usage message) being the rules' subject. A list of another form ends the
// tool with 2, curl's and tar's usage error.
struct RequestStart {
    std::optional<std::uint32_t> exit_code;
    ToolRequest request;
    std::optional<Rule> rule;
};
RequestStart start_request_tool(std::string_view tool, const std::vector<std::string>& arguments,
                                ArgumentForm form, std::string_view source_name);

// Writes bytes to standard output unchanged (no newline translation).
Status write_stdout(std::string_view bytes);

// Reports a stand-in fault on standard error (the setup program discards it,
// but a developer running the tool by hand sees it).
void report(std::string_view tool, std::string_view message);

// Every argument joined by single blanks: the rules' subject for a whole command line.
std::string joined_arguments(const std::vector<std::string>& arguments);

} // namespace velmora
