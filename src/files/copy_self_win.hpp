#pragma once

#include "common/setup_error.hpp"

#include <string_view>

namespace velmora {

// Copies the running executable to `destination`, overwriting a file there.
// When the destination already is the running file itself (an install
// started from the installed copy), there is nothing to copy. The copy is
// never left read-only, and a read-only one found there is replaced. A copy
// that is running (left open in its error box, or waiting in a hand-off)
// cannot be replaced but may be renamed: it is moved aside to
// "<destination>.old-<pid>" and the copy made again. Copies moved aside by
// earlier runs are removed first, as far as they no longer run.
Status copy_running_executable(std::string_view destination);

} // namespace velmora
