#include "main/run_modes_win.hpp"

namespace velmora {

Status run_install() {
    return SetupError{"The headless install is not available in this build yet."};
}

Status apply_launcher_update(const std::vector<std::string>&) {
    return SetupError{"The launcher update is not available in this build yet."};
}

Status run_setup_window() {
    return SetupError{"The setup window is not available in this build yet."};
}

} // namespace velmora
