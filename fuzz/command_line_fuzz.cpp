// The command line is the user's (or the launcher's): any UTF-16 text must
// split without a crash or a sanitizer report, into a program name for every
// line but the empty one, and into an empty argument only where a quote made
// it. Whether the split is the system's own is proven against
// CommandLineToArgvW in the Windows tests; no oracle for it exists here, and
// comparing the splitter with itself would prove nothing.

#include "common/command_line.hpp"
#include "fuzz_check.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    std::u16string line(size / 2, u'\0');
    for (std::size_t i = 0; i < line.size(); ++i)
        line[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));

    const std::vector<std::u16string> elements = split_command_line(line);
    require(line.empty() == elements.empty(), "only an empty line has no program name");
    for (std::size_t i = 1; i < elements.size(); ++i)
        require(!elements[i].empty() || line.find(u'"') != std::u16string::npos,
                "an empty argument needs quotes");
    // The UTF-8 form the program reads, for the sanitizers (unpaired surrogates).
    (void)command_line_arguments(line);
    return 0;
}
