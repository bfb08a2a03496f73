#pragma once

#include <string_view>

namespace velmora {

// True when the file system can report the attributes of what the path
// names, whatever kind of entry it is; links are followed, so a dangling link
// counts as missing, as does a path that cannot be queried.
bool path_exists(std::string_view path);

// True when there is an entry of that name at all, a dangling link included:
// for steps that clear the place before they use it.
bool entry_exists(std::string_view path);

} // namespace velmora
