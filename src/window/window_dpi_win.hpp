#pragma once
// The DPI a window is shown at.

#include <windows.h>

namespace velmora {

// GetDpiForWindow where the system has it (looked up at run time, since
// systems before Windows 10 1607 lack it); 96 otherwise, which is what a
// program that is not DPI aware is shown at.
unsigned window_dpi(HWND window);

} // namespace velmora
