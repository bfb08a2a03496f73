#pragma once
// What an extraction hands tar and PowerShell, and how its failure reads.
// tar.exe reads its command line through the ANSI code page, so a letter
// outside that page reaches it as '?' and names nothing: the path texts it
// gets are chosen here. Windows-free so that every rule is tested natively.

#include "common/texts.hpp"
#include "process/tool_outcome.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

struct TarPaths {
    std::string archive;
    std::string destination;
    std::optional<std::string> working_directory; // none: the program's own
};

// Whether tar can read the text as it is.
using Readable = std::function<bool(std::string_view)>;
// The 8.3 short form of an existing path; none where the volume has none.
using ShortPath = std::function<std::optional<std::string>(std::string_view)>;

// The full paths when tar can read them; otherwise both named relative to
// their deepest common folder, tar's working directory, when it can read
// those; otherwise their short forms when it can read them; otherwise the
// full paths still (PowerShell, which reads Unicode, then does the work).
TarPaths choose_tar_paths(std::string_view archive, std::string_view destination,
                          const Readable& readable, const ShortPath& short_path);

// tar.exe -xf ARCHIVE -C DEST
std::vector<std::string> tar_arguments(std::string_view archive, std::string_view destination);

// The Expand-Archive command that unpacks the archive (taken literally) into
// the destination, replacing existing files.
std::string expand_archive_command(std::string_view archive, std::string_view destination);

// "Archive extraction failed with exit code N.", "Archive extraction failed: reason".
inline constexpr FailureTexts extraction_failure_texts{extraction_failed_text, "."};

} // namespace velmora
