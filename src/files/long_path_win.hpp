#pragma once

#include <string>
#include <string_view>

namespace velmora {

// The path in UTF-16, in the extended-length form ("\\?\C:\..." or
// "\\?\UNC\server\...") when it is absolute and too long for the ordinary
// form; otherwise unchanged.
std::wstring extended_length_path(std::string_view path);

// The full path (relative parts resolved against the current directory) in
// the extended-length form, so that walking a deep tree below it never meets
// the ordinary form's length limit. Falls back to the path as given.
std::wstring full_extended_path(std::string_view path);

} // namespace velmora
