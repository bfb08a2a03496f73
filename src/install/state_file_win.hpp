#pragma once
// The install root and the state file below it.

#include "common/setup_error.hpp"
#include "install/install_layout.hpp"
#include "install/state.hpp"

#include <string>

namespace velmora {

// VELMORA_TEST_ROOT when present (even empty), otherwise LOCALAPPDATA,
// unchanged; "LOCALAPPDATA is unavailable" when neither is present.
Result<std::string> install_root();

// The paths below install_root().
Result<InstallLayout> install_layout();

// install root \ Velmora \ state \ bootstrap.json
Result<std::string> state_file_path();

Status write_state(const BootstrapState& state);

Result<BootstrapState> read_state();

} // namespace velmora
