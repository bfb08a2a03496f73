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

} // namespace velmora
