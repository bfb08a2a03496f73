#pragma once
// Windows path text, handled as UTF-8 strings.

#include <optional>
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

// Two full paths named from the deepest folder that holds both.
struct CommonFolder {
    std::string folder; // a drive root keeps its separator ("C:\")
    std::string first;  // "." when the path is the folder itself
    std::string second;
};

// The deepest common folder of two full paths ("C:\..." or "\\server\share\..."),
// components compared without regard to ASCII case; nullopt when they lie on
// different drives or shares, or either is not a full path.
std::optional<CommonFolder> relative_to_common_folder(std::string_view first,
                                                      std::string_view second);

} // namespace velmora
