#pragma once
// The run modes that are still to come end with an honest message.

#include "common/setup_error.hpp"

#include <string>
#include <vector>

namespace velmora {

Status run_install();
Status apply_launcher_update(const std::vector<std::string>& arguments);
Status run_setup_window();

} // namespace velmora
