#pragma once
// The file-system operations of the install steps: folders and files, the
// long forms of paths, existence, and removing and renaming whole trees.

#include "common/setup_error.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// Creates the directory and every missing directory above it. A directory that
// already exists is no error; anything else in the way (a file, say) is.
Status create_directories(std::string_view path);

// Clears the attributes that make rewriting an existing file fail with access
// denied (read-only, hidden, system); a missing file is left to the caller's
// next step to report.
Status make_writable(std::string_view path);

// Writes every byte to the file, created or emptied in place; a file made
// read-only, hidden or system (Explorer's check boxes) is rewritten all the
// same. Others may read the file meanwhile; a second writer is kept out. A
// write that takes no byte ends the loop with an error.
Status write_file(std::string_view path, std::string_view bytes);

// Names of the directories directly below the path; none when it cannot be
// listed (missing, say).
std::vector<std::string> directory_names(std::string_view path);

// The path made absolute against the current directory (GetFullPathNameW);
// an empty path is the current directory itself.
Result<std::string> full_path(std::string_view path);

// The path in UTF-16, in the extended-length form ("\\?\C:\..." or
// "\\?\UNC\server\...") when it is absolute and too long for the ordinary
// form; otherwise unchanged.
std::wstring extended_length_path(std::string_view path);

// The full path (relative parts resolved against the current directory) in
// the extended-length form, so that walking a deep tree below it never meets
// the ordinary form's length limit. Falls back to the path as given.
std::wstring full_extended_path(std::string_view path);

// True when the file system can report the attributes of what the path
// names, whatever kind of entry it is; links are followed, so a dangling link
// counts as missing, as does a path that cannot be queried. (Whether there is
// an entry at all, link or not: entry_exists, common/system_queries_win.hpp.)
bool path_exists(std::string_view path);

// Removes a directory with everything below it, read-only entries included.
// A link (reparse point) is removed as a link; its target is left alone. A
// path that exists but is no directory, or an entry that cannot be deleted,
// makes the removal fail with the system's error. An entry refused for a
// moment is waited for (about 30 s) unless the caller gives up at once: a
// clean-up whose failure is harmless must not make every run wait.
enum class WhenBusy { wait, give_up };
Status remove_tree(std::string_view directory, WhenBusy when_busy = WhenBusy::wait);

// Moves a freshly unpacked directory into its final place, replacing what is
// there. A first MoveFileExW that is denied access (an antivirus or indexer
// holding a file inside, typically) is followed by a rename through a handle
// with POSIX semantics; if that cannot help, the first error is reported.
Status rename_directory(std::string_view from, std::string_view to);

} // namespace velmora
