// The command line is the user's (or the launcher's): any UTF-16 text must
// split without a fault, and what it splits into must, quoted again, split
// back into the same arguments.

#include "common/command_line.hpp"
#include "common/text.hpp"
#include "fuzz_check.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {
namespace {

bool holds_nul(const std::u16string& text) {
    return text.find(u'\0') != std::u16string::npos;
}

// Arguments that the builder can carry: UTF-8 without NUL (the process
// creation call ends the line at the first NUL).
bool rebuildable(const std::vector<std::u16string>& elements) {
    for (std::size_t i = 1; i < elements.size(); ++i)
        if (holds_nul(elements[i]) || !is_valid_utf16(elements[i]))
            return false;
    return true;
}

void check_requoting(const std::vector<std::string>& arguments) {
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    const Result<std::string> line = build_command_line("prog.exe", rest);
    require(line.ok(), "arguments without NUL build a command line");
    const std::vector<std::string> again = command_line_arguments(utf8_to_utf16(*line));
    require(again.size() == arguments.size(), "a rebuilt line splits into as many elements");
    require(again[0] == "prog.exe", "the program name comes back unquoted");
    for (std::size_t i = 1; i < arguments.size(); ++i)
        require(again[i] == arguments[i], "a rebuilt line splits into the same arguments");
}

} // namespace
} // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    std::u16string line(size / 2, u'\0');
    for (std::size_t i = 0; i < line.size(); ++i)
        line[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));

    const std::vector<std::u16string> elements = split_command_line(line);
    const std::vector<std::string> arguments = command_line_arguments(line);
    require(elements.size() == arguments.size(), "both splitters agree on the count");
    require(line.empty() == elements.empty(), "only an empty line has no program name");
    for (std::size_t i = 0; i < elements.size(); ++i)
        require(arguments[i] == utf16_to_utf8(elements[i]), "the UTF-8 split matches");
    for (std::size_t i = 1; i < elements.size(); ++i)
        require(!elements[i].empty() || line.find(u'"') != std::u16string::npos,
                "an empty argument needs quotes");

    if (!elements.empty() && rebuildable(elements))
        check_requoting(arguments);
    return 0;
}
