// The state file is the user's to damage: any bytes must give a record or a
// SetupError, the same whether the file is read at once or in pieces. A record
// that was read must survive being written and read again.

#include "chunked_source.hpp"
#include "common/text.hpp"
#include "fuzz_check.hpp"
#include "install/state.hpp"
#include "json_fault_check.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velmora {
namespace {

bool same_state(const BootstrapState& a, const BootstrapState& b) {
    return a.dotnetRoot == b.dotnetRoot && a.launcherDirectory == b.launcherDirectory;
}

bool is_utf8(std::string_view text) {
    return sanitize_utf8(text) == text;
}

} // namespace
} // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    const std::string_view document(reinterpret_cast<const char*>(data), size);
    const Result<BootstrapState> whole = parse_state(document);
    if (whole.ok()) {
        const Result<BootstrapState> again = parse_state(format_state(*whole));
        require(again.ok(), "a written state reads back");
        // The writer replaces invalid UTF-8, so only valid text must come back unchanged.
        if (is_utf8(whole->dotnetRoot) && is_utf8(whole->launcherDirectory))
            require(same_state(*whole, *again), "a written state reads back unchanged");
    } else {
        const std::string& message = whole.error().message;
        require(fits_message_box(message), "a state fault is short, valid UTF-8");
        require(ends_with_position(message), "a state fault ends with its position");
    }

    ChunkedSource source(document);
    const Result<BootstrapState> pieces = parse_state(source);
    require(same_outcome(whole, pieces, source, &same_state),
            "reading the state in pieces changes the outcome");
    return 0;
}
