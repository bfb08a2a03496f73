#include "main/launcher_update_win.hpp"

namespace velmora {

Status apply_launcher_update(const std::vector<std::string>&) {
    return SetupError{"The launcher update is not available in this build yet."};
}

} // namespace velmora
