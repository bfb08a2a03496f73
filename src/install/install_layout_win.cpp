#include "install/install_layout.hpp"

#include "common/system_queries_win.hpp"
#include "common/texts.hpp"
#include "common/text_win.hpp"
#include "files/file_system_win.hpp"

namespace velmora {

Result<std::string> install_root() {
    // Present with an empty value still counts, as the current folder. Made
    // absolute, so that the state file never records a path that a launch
    // from another folder would read differently.
    if (const auto test_root = environment_variable(L"VELMORA_TEST_ROOT"))
        return full_path(narrow(*test_root));
    if (const auto local = environment_variable(L"LOCALAPPDATA"))
        return full_path(narrow(*local));
    return SetupError{std::string(no_install_root_message)};
}

Result<InstallLayout> install_layout() {
    VELMORA_TRY_ASSIGN(std::string root, install_root());
    return InstallLayout{std::move(root)};
}

} // namespace velmora
