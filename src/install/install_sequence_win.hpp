#pragma once
// The install sequence: brings the installation to what the setup manifest
// describes, or stops at the first failure without undoing anything.

#include "common/setup_error.hpp"
#include "install/progress.hpp"

namespace velmora {

// Tells `progress` each stage as it begins.
Status run_install(ProgressSink& progress);

// The install worker's body: runs the install, then tells `progress` how it
// ended.
void run_install_worker(ProgressSink& progress);

} // namespace velmora
