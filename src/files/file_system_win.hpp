#pragma once
// File-system operations shared by the install steps.

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

} // namespace velmora
