#include "main/error_report_win.hpp"

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

// Writes every byte to a new file; false when any of it could not be written.
bool write_new_file(const std::wstring& path, std::string_view bytes) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
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
    auto directory = install_root();
    if (!directory) {
        directory = temp_directory();
        if (!directory)
            return;
    }
    const std::string path = join_path(*directory, error_report_file_name);
    // The report is written beside its place and moved there whole, so that a
    // full disk leaves neither an empty nor a partial report. When the new
    // report cannot be written, an earlier one goes too: left in place it
    // would pass an old failure off as this run's.
    const std::wstring temporary =
        widen(path + "." + std::to_string(::GetCurrentProcessId()) + ".tmp");
    if (!write_new_file(temporary, message) ||
        !::MoveFileExW(temporary.c_str(), widen(path).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        ::DeleteFileW(temporary.c_str());
        ::DeleteFileW(widen(path).c_str());
    }
}

} // namespace velmora
