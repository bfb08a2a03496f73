#pragma once
// The rules file through which tests steer the stand-ins: one rule a line,
// "TOOL PATTERN ACTION [VALUE]"; the first rule whose tool and pattern match wins.

#include "common/setup_error.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

enum class RuleAction { exit, status, short_body, gate, read_stdin };

struct Rule {
    std::string tool;
    std::string pattern; // "*" matches every subject
    RuleAction action = RuleAction::exit;
    std::uint64_t number = 0; // exit code, HTTP status or byte count
    std::string path;         // the gate's file
};

// Blank lines and lines starting with '#' are skipped; a trailing CR is
// dropped. A line of any other form is an error naming the line, so that a
// typing mistake in a test shows at once instead of silently matching nothing.
Result<std::vector<Rule>> parse_rules(std::string_view text);

// The first rule for this tool (ASCII case ignored) whose pattern is "*" or
// occurs in the subject.
std::optional<Rule> find_rule(const std::vector<Rule>& rules, std::string_view tool,
                              std::string_view subject);

} // namespace velmora
