#include "window/setup_window_win.hpp"

namespace velmora {

Status run_setup_window() {
    return SetupError{"The setup window is not available in this build yet."};
}

} // namespace velmora
