#pragma once
// Unpacks a zip archive below an existing directory, entry by entry, streaming.

#include "common/setup_error.hpp"

#include <string>

namespace velmora {

// Every entry name is checked before anything is written, so an archive with
// an entry that would land outside the destination leaves no trace. Existing
// files are replaced; other files in the destination stay.
Status extract_zip(const std::string& archive, const std::string& destination);

} // namespace velmora
