#include "main/run_modes_win.hpp"

namespace velmora {

Status run_install() {
    return SetupError{"The headless install is not available in this build yet."};
}

} // namespace velmora
