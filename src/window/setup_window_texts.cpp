#include "window/setup_window_texts.hpp"

#include <array>

namespace velmora {

std::string_view stage_status_text(std::uint64_t stage) {
    // Each text ends in U+2026, the single ellipsis character.
    static constexpr std::array<std::string_view, 5> texts = {
        "Checking release\u2026",
        "Downloading Microsoft .NET runtime\u2026",
        "Installing private .NET runtime\u2026",
        "Downloading Velmora launcher\u2026",
        "Installing launcher\u2026",
    };
    if (stage >= 1 && stage <= texts.size())
        return texts[stage - 1];
    return "Working\u2026";
}

} // namespace velmora
