// Compiled as a member of the install library, which may not use the
// window: this include must fail to build (the layering test).
#include "window/setup_window_win.hpp"
