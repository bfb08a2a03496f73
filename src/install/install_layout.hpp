#pragma once
// Names of the folders and files an install run works with.

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// "VelmoraSetup-<pid>", the per-run work directory's name.
std::string work_directory_name(std::uint32_t pid);

// "VelmoraLauncher-<version>.zip"
std::string launcher_archive_name(std::string_view launcher_version);

// The runtime directory's path with the extension of its last component set
// to "staging-<pid>": everything after a last dot that is not the first
// character is replaced, otherwise ".staging-<pid>" is appended.
std::string staging_directory_for(std::string_view runtime_directory, std::uint32_t pid);

// True when the text can stand as one folder or file name of its own: not
// empty, not "." or "..", no separator, drive colon, wildcard, control
// character or other character that Windows refuses in a name, no device
// name such as "CON" or "nul.txt", and no trailing dot or blank (which
// Windows would silently drop). A version text from the manifest that fails
// this would place files outside the folders meant for them.
bool is_plain_name(std::string_view text);

} // namespace velmora
