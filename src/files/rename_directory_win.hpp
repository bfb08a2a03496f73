#pragma once

#include "common/setup_error.hpp"

#include <string_view>

namespace velmora {

// Moves a freshly unpacked directory into its final place, replacing what is
// there. A first MoveFileExW that is denied access (an antivirus or indexer
// holding a file inside, typically) is followed by a rename through a handle
// with POSIX semantics; if that cannot help, the first error is reported.
Status rename_directory(std::string_view from, std::string_view to);

} // namespace velmora
