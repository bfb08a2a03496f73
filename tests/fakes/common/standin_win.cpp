#include "standin_win.hpp"

#include "json_escape.hpp"
#include "work_times_win.hpp"

#include "common/system_error_win.hpp"
#include "common/system_queries_win.hpp"
#include "common/text_win.hpp"
#include "files/file_system_win.hpp"
#include "support/file_io_win.hpp"

#include <windows.h>

#include <algorithm>

namespace velmora {

std::vector<std::string> utf8_arguments(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(narrow(argv[i]));
    return arguments;
}

std::optional<std::string> environment_text(std::wstring_view name) {
    const auto value = environment_variable(name);
    if (!value)
        return std::nullopt;
    return narrow(*value);
}

std::string joined_arguments(const std::vector<std::string>& arguments) {
    std::string joined;
    for (const std::string& argument : arguments) {
        if (!joined.empty())
            joined += ' ';
        joined += argument;
    }
    return joined;
}

Status log_start(std::string_view tool, const std::vector<std::string>& arguments) {
    const auto log_path = environment_variable(L"VELMORA_STANDIN_LOG");
    if (!log_path)
        return {};
    std::vector<std::string> items{std::string(tool)};
    items.insert(items.end(), arguments.begin(), arguments.end());
    return append_line(narrow(*log_path), json_string_array(items) + "\n");
}

Result<std::optional<Rule>> rule_for(std::string_view tool, std::string_view subject) {
    const auto rules_path = environment_text(L"VELMORA_STANDIN_RULES");
    if (!rules_path || rules_path->empty())
        return std::optional<Rule>();
    auto text = read_whole_file(*rules_path);
    if (!text) {
        if (!path_exists(*rules_path))
            return std::optional<Rule>();
        return std::move(text).error();
    }
    auto rules = parse_rules(*text);
    if (!rules)
        return std::move(rules).error();
    return find_rule(*rules, tool, subject);
}

namespace {

void wait_at_gate(const std::string& gate) {
    // The gate's marker tells the test that the tool has reached it.
    if (auto marked = write_whole_file(gate + ".waiting", ""); !marked)
        report("gate", marked.error().message);
    while (!path_exists(gate))
        ::Sleep(50);
}

void drain_stdin() {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE)
        return;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(input, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    }
}

} // namespace

std::optional<std::uint32_t> apply_common_action(const std::optional<Rule>& rule) {
    if (!rule)
        return std::nullopt;
    switch (rule->action) {
    case RuleAction::exit:
        return static_cast<std::uint32_t>(rule->number);
    case RuleAction::gate:
        wait_at_gate(rule->path);
        break;
    case RuleAction::read_stdin:
        drain_stdin();
        break;
    case RuleAction::status:
    case RuleAction::short_body:
        break;
    }
    return std::nullopt;
}

void report(std::string_view tool, std::string_view message) {
    const std::string line = std::string(tool) + ": " + std::string(message) + "\n";
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    if (error != nullptr && error != INVALID_HANDLE_VALUE)
        ::WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

StartOutcome start_stand_in(std::string_view tool, const std::vector<std::string>& arguments,
                            std::string_view subject) {
    time_whole_work(tool);
    if (auto logged = log_start(tool, arguments); !logged) {
        report(tool, "cannot write the start log: " + logged.error().message);
        return {exit_log_failed, std::nullopt};
    }
    auto rule = rule_for(tool, subject);
    if (!rule) {
        report(tool, "rules: " + rule.error().message);
        return {exit_bad_rules, std::nullopt};
    }
    return {apply_common_action(*rule), *rule};
}

RequestStart start_request_tool(std::string_view tool, const std::vector<std::string>& arguments,
                                ArgumentForm form, std::string_view source_name) {
    const auto request = read_request(form, arguments);
    auto start =
        start_stand_in(tool, arguments, request ? request->source : joined_arguments(arguments));
    if (!start.exit_code && !request) {
        report(tool, "expected " + joined_arguments(form(source_name, "DEST")));
        start.exit_code = 2;
    }
    return {start.exit_code, request.value_or(ToolRequest{}), start.rule};
}

Status write_stdout(std::string_view bytes) {
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE)
        return {};
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 20));
        DWORD written = 0;
        if (!::WriteFile(output, bytes.data(), chunk, &written, nullptr))
            return last_system_error();
        bytes.remove_prefix(written);
    }
    return {};
}

} // namespace velmora
