#include "install/state_file_win.hpp"

#include "common/environment_win.hpp"
#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/system_error_win.hpp"
#include "common/text_win.hpp"
#include "files/file_system_win.hpp"
#include "install/file_source_win.hpp"

#include <algorithm>
#include <memory>

namespace velmora {

Result<std::string> install_root() {
    // Present with an empty value still counts: paths then become relative.
    if (const auto test_root = environment_variable(L"VELMORA_TEST_ROOT"))
        return narrow(*test_root);
    if (const auto local = environment_variable(L"LOCALAPPDATA"))
        return narrow(*local);
    return SetupError{"LOCALAPPDATA is unavailable"};
}

Result<InstallLayout> install_layout() {
    VELMORA_TRY_ASSIGN(std::string root, install_root());
    return InstallLayout{std::move(root)};
}

Result<std::string> state_file_path() {
    VELMORA_TRY_ASSIGN(const InstallLayout layout, install_layout());
    return layout.state_file();
}

Status write_state(const BootstrapState& state) {
    VELMORA_TRY_ASSIGN(const std::string path, state_file_path());
    VELMORA_TRY(create_directories(parent_of(path)));
    const std::string bytes = format_state(state);
    // Rewritten in place. Readers are let in, so that a launch reading at this
    // moment fails neither this write nor itself; it may see the file half
    // written and report it damaged. A second writer is kept out.
    UniqueFile file(::CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return last_system_error();
    std::string_view rest = bytes;
    while (!rest.empty()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file.get(), rest.data(), chunk, &written, nullptr))
            return last_system_error();
        rest.remove_prefix(written);
    }
    return {};
}

Result<BootstrapState> read_state() {
    VELMORA_TRY_ASSIGN(const std::string path, state_file_path());
    // Whatever keeps the file from opening (missing, denied, a directory),
    // there is no installation to use.
    UniqueFile file(::CreateFileW(widen(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return SetupError{not_installed_message()};
    const auto source = std::make_unique<FileSource>(file.get()); // its buffer is large
    Result<BootstrapState> state = parse_state(*source);
    if (!state)
        return SetupError{damaged_state_message(state.error().message)};
    return state;
}

} // namespace velmora
