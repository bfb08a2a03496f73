#pragma once
// How a failure reaches the user: the error box, or after a headless install
// the error report file.

#include <string_view>

namespace velmora {

struct InstallLayout; // install/install_layout.hpp

// A modal box without owner: caption setup_title, OK button, error icon.
void show_error_box(std::string_view message);

// Writes the message's UTF-8 bytes, nothing else, to error_report_file_name
// in the layout's install root (the temporary directory when there is none). Best
// effort: a write that fails leaves no report at all (an earlier one is gone
// too) and is not reported.
void write_error_report(const InstallLayout* layout, std::string_view message);

} // namespace velmora
