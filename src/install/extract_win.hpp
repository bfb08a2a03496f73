#pragma once
// Unpacking a zip archive with the system's tools.

#include "common/setup_error.hpp"

#include <string>

namespace velmora {

// Creates the destination (with its ancestors), then unpacks the archive
// below it with tar.exe, or with PowerShell's Expand-Archive when tar does
// not succeed for any reason. Existing files of the same names are replaced.
Status extract_archive(const std::string& archive, const std::string& destination);

} // namespace velmora
