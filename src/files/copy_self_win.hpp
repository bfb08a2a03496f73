#pragma once

#include "common/setup_error.hpp"

#include <string_view>

namespace velmora {

// Copies the running executable to `destination`, overwriting a file there.
// When the destination already is the running file itself (an install
// started from the installed copy), there is nothing to copy. The copy is
// never left read-only, and a read-only one found there is replaced.
Status copy_running_executable(std::string_view destination);

} // namespace velmora
