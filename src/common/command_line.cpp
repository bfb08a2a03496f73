#include "common/command_line.hpp"

#include "common/text.hpp"
#include "common/texts.hpp"

#include <cstddef>

namespace velmora {
namespace {

bool is_blank(char16_t c) {
    return c == u' ' || c == u'\t';
}

// The program name ends at the first blank or tab outside quotes; quotes
// only switch quoting and backslashes are always literal.
std::u16string take_program_name(std::u16string_view line, std::size_t& pos) {
    std::u16string name;
    bool quoted = false;
    for (; pos < line.size(); ++pos) {
        const char16_t c = line[pos];
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && is_blank(c))
            break;
        else
            name += c;
    }
    return name;
}

void skip_blanks(std::u16string_view line, std::size_t& pos) {
    while (pos < line.size() && is_blank(line[pos]))
        ++pos;
}

// One argument of the part after the program name. Starts on a non-blank
// character and stops on the separating blank or the end of the line.
std::u16string take_argument(std::u16string_view line, std::size_t& pos) {
    std::u16string argument;
    bool quoted = false;
    while (pos < line.size()) {
        std::size_t backslashes = 0;
        while (pos < line.size() && line[pos] == u'\\') {
            ++backslashes;
            ++pos;
        }
        if (pos < line.size() && line[pos] == u'"') {
            argument.append(backslashes / 2, u'\\');
            const bool escaped = backslashes % 2 == 1;
            const bool doubled = quoted && pos + 1 < line.size() && line[pos + 1] == u'"';
            if (escaped || doubled)
                argument += u'"';
            else
                quoted = !quoted;
            pos += doubled && !escaped ? 2 : 1;
            continue;
        }
        argument.append(backslashes, u'\\');
        if (pos == line.size() || (!quoted && is_blank(line[pos])))
            break;
        argument += line[pos++];
    }
    return argument;
}

bool needs_quotes(std::string_view argument) {
    return argument.empty() || argument.find_first_of(" \t") != std::string_view::npos;
}

bool holds_nul(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

} // namespace

std::vector<std::u16string> split_command_line(std::u16string_view command_line) {
    std::vector<std::u16string> elements;
    if (command_line.empty())
        return elements;
    std::size_t pos = 0;
    elements.push_back(take_program_name(command_line, pos));
    for (skip_blanks(command_line, pos); pos < command_line.size(); skip_blanks(command_line, pos))
        elements.push_back(take_argument(command_line, pos));
    return elements;
}

std::vector<std::string> command_line_arguments(std::u16string_view command_line) {
    std::vector<std::string> arguments;
    for (const std::u16string& element : split_command_line(command_line))
        arguments.push_back(utf16_to_utf8(element));
    return arguments;
}

void append_quoted_argument(std::string& command_line, std::string_view argument) {
    const bool quoted = needs_quotes(argument);
    if (quoted)
        command_line += '"';
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"')
            command_line.append(2 * backslashes + 1, '\\');
        else
            command_line.append(backslashes, '\\');
        backslashes = 0;
        command_line += c;
    }
    // Backslashes that end up before the closing quote must not escape it.
    command_line.append(quoted ? 2 * backslashes : backslashes, '\\');
    if (quoted)
        command_line += '"';
}

Result<std::string> build_command_line(std::string_view program,
                                       const std::vector<std::string>& arguments) {
    if (holds_nul(program))
        return SetupError{std::string(nul_in_data_message)};
    std::string command_line = "\"";
    command_line.append(program);
    command_line += '"';
    for (const std::string& argument : arguments) {
        if (holds_nul(argument))
            return SetupError{std::string(nul_in_data_message)};
        command_line += ' ';
        append_quoted_argument(command_line, argument);
    }
    return command_line;
}

} // namespace velmora
