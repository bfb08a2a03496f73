#pragma once
// Windows command lines: splitting one into arguments, and building one that
// a program's start-up code splits back into exactly the given arguments.

#include "common/setup_error.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// Splits a command line by the rules of the Microsoft C runtime (2008 and
// later). Element 0 follows the simpler program-name rules. An empty command
// line gives an empty list: there is no program name to report.
std::vector<std::u16string> split_command_line(std::u16string_view command_line);

// The split elements as UTF-8, each unpaired surrogate replaced by U+FFFD.
std::vector<std::string> command_line_arguments(std::u16string_view command_line);

// Appends one argument, preceded by nothing: quoted only when it is empty or
// holds a blank or tab; a double quote is escaped with a backslash, and the
// backslashes before it, or before the closing quote, are doubled.
void append_quoted_argument(std::string& command_line, std::string_view argument);

// "\"<program>\"" followed by each argument, preceded by one blank.
// Fails with "nul byte found in provided data" when any part holds a NUL.
Result<std::string> build_command_line(std::string_view program,
                                       const std::vector<std::string>& arguments);

} // namespace velmora
