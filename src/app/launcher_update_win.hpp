#pragma once
// The launcher's update hand-off: wait for the launcher to end, unpack the
// update over it, start the game again.

#include "common/setup_error.hpp"

#include <string>
#include <vector>

namespace velmora {

// Takes the whole argument list: program, switch, process id, archive,
// destination.
Status apply_launcher_update(const std::vector<std::string>& arguments);

} // namespace velmora
