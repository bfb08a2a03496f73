#include "rules.hpp"

#include "common/text.hpp"

namespace velmora {

namespace {

// Splits off the text up to the next blank; false when there is none.
bool take_word(std::string_view& rest, std::string_view& word) {
    const std::size_t blank = rest.find(' ');
    if (blank == std::string_view::npos || blank == 0)
        return false;
    word = rest.substr(0, blank);
    rest.remove_prefix(blank + 1);
    return true;
}

std::optional<Rule> parse_action(std::string_view action, std::string_view value) {
    Rule rule;
    if (action == "stdin") {
        rule.action = RuleAction::read_stdin;
        return value.empty() ? std::optional(rule) : std::nullopt;
    }
    if (action == "gate") {
        rule.action = RuleAction::gate;
        rule.path = std::string(value);
        return value.empty() ? std::nullopt : std::optional(rule);
    }
    std::uint64_t limit = UINT64_MAX;
    if (action == "exit")
        rule.action = RuleAction::exit, limit = UINT32_MAX;
    else if (action == "status")
        rule.action = RuleAction::status, limit = 999;
    else if (action == "short")
        rule.action = RuleAction::short_body;
    else
        return std::nullopt;
    const auto number = parse_decimal(value, limit);
    if (!number)
        return std::nullopt;
    rule.number = *number;
    return rule;
}

std::optional<Rule> parse_line(std::string_view line) {
    std::string_view tool, pattern;
    if (!take_word(line, tool) || !take_word(line, pattern))
        return std::nullopt;
    std::string_view action = line, value;
    if (const std::size_t blank = line.find(' '); blank != std::string_view::npos) {
        action = line.substr(0, blank);
        value = line.substr(blank + 1);
    }
    auto rule = parse_action(action, value);
    if (rule) {
        rule->tool = std::string(tool);
        rule->pattern = std::string(pattern);
    }
    return rule;
}

} // namespace

Result<std::vector<Rule>> parse_rules(std::string_view text) {
    std::vector<Rule> rules;
    std::size_t line_number = 0;
    while (!text.empty()) {
        ++line_number;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        auto rule = parse_line(line);
        if (!rule)
            return SetupError{"malformed rule on line " + std::to_string(line_number) + ": " +
                              std::string(line)};
        rules.push_back(std::move(*rule));
    }
    return rules;
}

std::optional<Rule> find_rule(const std::vector<Rule>& rules, std::string_view tool,
                              std::string_view subject) {
    for (const Rule& rule : rules) {
        if (!ascii_iequals(rule.tool, tool))
            continue;
        if (rule.pattern == "*" || subject.find(rule.pattern) != std::string_view::npos)
            return rule;
    }
    return std::nullopt;
}

} // namespace velmora
