#pragma once
// The state file: what the install recorded, read back by the launch.

#include "common/setup_error.hpp"
#include "install/install_layout.hpp"
#include "install/state.hpp"

namespace velmora {

// Writes the layout's state file (install root \ Velmora \ state \ bootstrap.json).
Status write_state(const InstallLayout& layout, const BootstrapState& state);

Result<BootstrapState> read_state(const InstallLayout& layout);

} // namespace velmora
