#pragma once
// BootstrapState, the record of what is installed, and its JSON form.

#include "common/setup_error.hpp"

#include <string>
#include <string_view>

namespace velmora {

struct BootstrapState {
    std::string dotnetRoot;        // runtime directory (holds dotnet.exe)
    std::string launcherDirectory; // launcher directory (holds VelmoraGame.dll)
};

class ByteSource; // declared in json/byte_source.hpp

// The JSON library's two-space indented object, members in field order, no
// line break after the closing brace.
std::string format_state(const BootstrapState& state);

// Reads one BootstrapState from the source. The error message is the reader's
// description ending in " at line L column C"; the caller adds its prefix.
Result<BootstrapState> parse_state(ByteSource& source);
Result<BootstrapState> parse_state(std::string_view document);

// What reading the state file reports: the file could not be opened at all,
// or its content (or a read of it) failed with the given description.
std::string not_installed_message();
std::string damaged_state_message(std::string_view description);

} // namespace velmora
