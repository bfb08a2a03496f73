#pragma once

#include <string_view>

namespace velmora {

// True when the file system can report the path's attributes, whatever kind
// of entry it is; a path that cannot be queried counts as missing.
bool path_exists(std::string_view path);

} // namespace velmora
