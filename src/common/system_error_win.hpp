#pragma once
// SetupErrors made from Windows error codes, and the checks that make them at
// the failing call.

#include "common/setup_error.hpp"

#include <windows.h>

namespace velmora {

SetupError system_error(DWORD code);

// The calling thread's last error (GetLastError), captured at once.
SetupError last_system_error();

// The error of an NTSTATUS (what CNG returns), told by the system's rule for
// OS errors: translated to its Win32 code where the system offers that.
SetupError ntstatus_error(LONG status);

} // namespace velmora

// Ends the enclosing function with the thread's last error when a Win32 call
// that returns FALSE (or null) on failure fails:
//     VELMORA_WIN32(::SetFileAttributesW(path, attributes));
#define VELMORA_WIN32(call)                                                                        \
    do {                                                                                           \
        if (!(call))                                                                               \
            return ::velmora::last_system_error();                                                 \
    } while (false)

// Ends the enclosing function with the error of an NTSTATUS call that fails
// (a negative status; the informational ones count as success).
#define VELMORA_NTSTATUS(call)                                                                     \
    do {                                                                                           \
        if (const LONG velmora_status = (call); velmora_status < 0)                                \
            return ::velmora::ntstatus_error(velmora_status);                                      \
    } while (false)
