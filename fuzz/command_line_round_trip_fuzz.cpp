// Every tool and the game are started with a command line built from an
// argument list: whatever the arguments hold (quotes, backslashes, blanks,
// any UTF-8), the line must split back into exactly that list. The splitter
// here is the program's own, so this guards the builder against it; that the
// splitter reads lines as the started programs do is proven against the
// system's CommandLineToArgvW in the Windows tests.

#include "common/command_line.hpp"
#include "common/text.hpp"
#include "fuzz_check.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {
namespace {

// NUL separates the arguments; each becomes valid UTF-8. A trailing NUL ends
// the list with an empty argument, so empty arguments are reachable too.
std::vector<std::string> decode_arguments(std::string_view bytes) {
    std::vector<std::string> arguments;
    if (bytes.empty())
        return arguments;
    for (std::size_t start = 0;;) {
        const std::size_t end = bytes.find('\0', start);
        arguments.push_back(sanitize_utf8(bytes.substr(start, end - start)));
        if (end == std::string_view::npos)
            return arguments;
        start = end + 1;
    }
}

} // namespace
} // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    const std::vector<std::string> arguments =
        decode_arguments(std::string_view(reinterpret_cast<const char*>(data), size));

    const Result<std::string> line = build_command_line("prog.exe", arguments);
    require(line.ok(), "arguments without NUL build a command line");
    const std::vector<std::u16string> elements = split_command_line(utf8_to_utf16(*line));
    require(elements.size() == arguments.size() + 1, "the line splits into as many arguments");
    require(elements[0] == u"prog.exe", "the program name comes back unquoted");
    for (std::size_t i = 0; i < arguments.size(); ++i)
        require(utf16_to_utf8(elements[i + 1]) == arguments[i],
                "the line splits back into the same arguments");
    return 0;
}
