#include "main/error_report_win.hpp"

#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/product.hpp"
#include "common/system_paths_win.hpp"
#include "common/text_win.hpp"
#include "install/state_file_win.hpp"

#include <windows.h>

#include <algorithm>

namespace velmora {

void show_error_box(std::string_view message) {
    ::MessageBoxW(nullptr, widen(message).c_str(), widen(setup_title).c_str(),
                  MB_OK | MB_ICONERROR);
}

void write_error_report(std::string_view message) {
    auto directory = install_root();
    if (!directory) {
        directory = temp_directory();
        if (!directory)
            return;
    }
    const std::string path = join_path(*directory, error_report_file_name);
    UniqueFile file(::CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    while (!message.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(message.size(), 1u << 20));
        if (!::WriteFile(file.get(), message.data(), chunk, &written, nullptr) || written == 0)
            return;
        message.remove_prefix(written);
    }
}

} // namespace velmora
