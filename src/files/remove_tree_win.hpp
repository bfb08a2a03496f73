#pragma once

#include "common/setup_error.hpp"

#include <string_view>

namespace velmora {

// Removes a directory with everything below it, read-only entries included.
// A link (reparse point) is removed as a link; its target is left alone. A
// path that exists but is no directory, or an entry that cannot be deleted,
// makes the removal fail with the system's error.
Status remove_tree(std::string_view directory);

} // namespace velmora
