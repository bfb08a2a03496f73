#include "tasklist_answer.hpp"

#include "rules.hpp"

#include "common/text.hpp"

#include <cstdio>

namespace velmora {

std::optional<std::uint32_t> parse_tasklist_query(const std::vector<std::string>& arguments) {
    constexpr std::string_view filter_prefix = "PID eq ";
    if (arguments.size() != 3 || arguments[0] != "/FI" || arguments[2] != "/NH" ||
        !arguments[1].starts_with(filter_prefix))
        return std::nullopt;
    const auto pid =
        parse_decimal(std::string_view(arguments[1]).substr(filter_prefix.size()), UINT32_MAX);
    if (!pid)
        return std::nullopt;
    return static_cast<std::uint32_t>(*pid);
}

std::optional<TasklistMode> parse_tasklist_mode(std::optional<std::string_view> setting) {
    if (!setting || *setting == "@real")
        return RealProcesses{};
    constexpr std::string_view script = "@script ", big = "@big ";
    if (setting->starts_with(script) && setting->size() > script.size())
        return ScriptedAnswers{std::string(setting->substr(script.size()))};
    if (setting->starts_with(big)) {
        if (const auto bytes = parse_decimal(setting->substr(big.size()), UINT32_MAX))
            return BigAnswer{*bytes};
    }
    return std::nullopt;
}

namespace {

bool is_separator(std::string_view line) {
    return line == "---" || line == "---\r";
}

} // namespace

std::vector<std::string> split_script_answers(std::string_view script) {
    std::vector<std::string> answers(1);
    while (!script.empty()) {
        const std::size_t end = script.find('\n');
        const std::size_t length = end == std::string_view::npos ? script.size() : end + 1;
        const std::string_view line = script.substr(0, length);
        script.remove_prefix(length);
        const std::string_view bare = line.ends_with('\n') ? line.substr(0, line.size() - 1) : line;
        if (is_separator(bare))
            answers.emplace_back();
        else
            answers.back() += line;
    }
    return answers;
}

std::string_view scripted_answer(const std::vector<std::string>& answers, std::uint64_t index) {
    if (answers.empty())
        return {};
    return answers[index < answers.size() ? index : answers.size() - 1];
}

std::string tasklist_row(std::string_view image_name, std::uint32_t pid) {
    char row[160];
    std::snprintf(row, sizeof row, "%-25.25s %8lu Console %20d %10s K\r\n",
                  std::string(image_name).c_str(), static_cast<unsigned long>(pid), 1, "10,240");
    return row;
}

std::string digitless_filler(std::uint64_t bytes) {
    constexpr std::string_view line =
        "filler.exe               none Console        none   none K\r\n";
    std::string out;
    out.reserve(bytes);
    while (out.size() + line.size() <= bytes)
        out += line;
    out += line.substr(0, bytes - out.size());
    return out;
}

} // namespace velmora
