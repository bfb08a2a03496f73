#pragma once
// Windows path text, handled as UTF-8 strings.

#include <string>
#include <string_view>

namespace velmora {

// Appends one component with a single '\', none being added after an empty
// base, a base ending in '\' or '/', or a bare drive ("C:").
std::string join_path(std::string_view base, std::string_view component);

// The last component of a path ("" when the path ends with a separator).
std::string_view file_name_of(std::string_view path);

// Everything before the last component, without its trailing separator
// ("" when the path has a single component).
std::string_view parent_of(std::string_view path);

// True when the text can stand as one folder or file name of its own: not
// empty, not "." or "..", no separator, drive colon, wildcard, control
// character or other character that Windows refuses in a name, no device
// name such as "CON" or "nul.txt", and no trailing dot or blank (which
// Windows would silently drop).
bool is_plain_name(std::string_view text);

} // namespace velmora
