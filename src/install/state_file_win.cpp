#include "install/state_file_win.hpp"

#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/system_error_win.hpp"
#include "common/system_queries_win.hpp"
#include "common/text_win.hpp"
#include "files/file_system_win.hpp"
#include "install/file_source_win.hpp"

#include <memory>

namespace velmora {

Status write_state(const InstallLayout& layout, const BootstrapState& state) {
    const std::string path = layout.state_file();
    VELMORA_TRY(create_directories(parent_of(path)));
    // Rewritten in place. Readers are let in, so that a launch reading at this
    // moment fails neither this write nor itself; it may see the file half
    // written and report it damaged.
    return write_file(path, format_state(state));
}

Result<BootstrapState> read_state(const InstallLayout& layout) {
    const std::string path = layout.state_file();
    // Whatever keeps the file from opening (missing, denied, a directory),
    // there is no installation to use.
    UniqueFile file(::CreateFileW(widen(path).c_str(), GENERIC_READ, share_all, nullptr,
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
