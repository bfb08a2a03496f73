#pragma once
// SetupErrors made from Windows error codes.

#include "common/setup_error.hpp"

#include <windows.h>

namespace velmora {

SetupError system_error(DWORD code);

// The calling thread's last error (GetLastError), captured at once.
SetupError last_system_error();

} // namespace velmora
