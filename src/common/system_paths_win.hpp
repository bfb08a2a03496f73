#pragma once
// Folders and files that the system reports for this process.

#include "common/setup_error.hpp"

#include <string>

namespace velmora {

// The user's temporary directory: GetTempPath2W where the system offers it,
// otherwise GetTempPathW. Ends with a separator, as the system reports it.
Result<std::string> temp_directory();

// Full path of the running executable, as GetModuleFileNameW reports it.
Result<std::string> own_executable_path();

} // namespace velmora
