#pragma once
// The install sequence is still to come: the headless mode ends with an
// honest message until it lands.

#include "common/setup_error.hpp"

namespace velmora {

Status run_install();

} // namespace velmora
