#pragma once
// File-system operations shared by the install steps.

#include "common/setup_error.hpp"

#include <string_view>

namespace velmora {

// Creates the directory and every missing directory above it. A directory that
// already exists is no error; anything else in the way (a file, say) is.
Status create_directories(std::string_view path);

} // namespace velmora
