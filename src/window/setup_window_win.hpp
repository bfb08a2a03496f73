#pragma once
// The interactive mode: the setup window and its message loop.

#include "common/setup_error.hpp"

namespace velmora {

// Returns when the message loop has ended, or fails when the window cannot
// be created.
Status run_setup_window();

} // namespace velmora
