#include "app/error_report_win.hpp"

#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/product.hpp"
#include "common/system_paths_win.hpp"
#include "common/text_win.hpp"
#include "install/state_file_win.hpp"

#include <windows.h>

#include <algorithm>
#include <string>

namespace velmora {

void show_error_box(std::string_view message) {
    ::MessageBoxW(nullptr, widen(message).c_str(), widen(setup_title).c_str(),
                  MB_OK | MB_ICONERROR);
}

namespace {

// Writes every byte to the file, created or emptied; false when any of it
// could not be written. Others may read the file meanwhile (a log viewer).
bool write_whole_file(const std::wstring& path, std::string_view bytes) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        if (!::WriteFile(file.get(), bytes.data(), chunk, &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

} // namespace

void write_error_report(std::string_view message) {
    std::string report;
    if (const auto layout = install_layout())
        report = layout->error_report();
    else if (const auto temp = temp_directory())
        report = join_path(*temp, error_report_file_name);
    else
        return;
    const std::wstring path = widen(report);
    // A report cut short by a full disk goes, and so does an earlier one the
    // write emptied: neither may pass for this run's failure.
    if (!write_whole_file(path, message))
        ::DeleteFileW(path.c_str());
}

} // namespace velmora
