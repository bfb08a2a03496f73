#pragma once
// The install sequence: brings the installation to what the setup manifest
// describes, or stops at the first failure without undoing anything.

#include "common/setup_error.hpp"

namespace velmora {

Status run_install();

} // namespace velmora
