#include "app/error_report_win.hpp"

#include "common/path.hpp"
#include "common/system_queries_win.hpp"
#include "common/text_win.hpp"
#include "common/texts.hpp"
#include "files/file_system_win.hpp"
#include "install/install_layout.hpp"

#include <windows.h>

#include <string>

namespace velmora {

void show_error_box(std::string_view message) {
    ::MessageBoxW(nullptr, widen(message).c_str(), widen(setup_title).c_str(),
                  MB_OK | MB_ICONERROR);
}

void write_error_report(const InstallLayout* layout, std::string_view message) {
    std::string report;
    if (layout)
        report = layout->error_report();
    else if (const auto temp = temp_directory())
        report = join_path(*temp, error_report_file_name);
    else
        return;
    // The folder may not exist yet: a test root named before any install.
    (void)create_directories(parent_of(report));
    // A report cut short by a full disk goes, and so does an earlier one the
    // write emptied: neither may pass for this run's failure.
    if (!write_file(report, message).ok())
        ::DeleteFileW(widen(report).c_str());
}

} // namespace velmora
