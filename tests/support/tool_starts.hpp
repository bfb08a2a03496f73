#pragma once
// The tool starts that the stand-ins log, as the program makes them: the
// argument lists and PowerShell commands come from the program's own
// functions, so that a test restates none of them.

#include <string>
#include <string_view>
#include <vector>

namespace velmora::test {

// One start: the tool's file name, then its arguments.
using LogLine = std::vector<std::string>;

LogLine curl_line(std::string_view destination, std::string_view url);
LogLine tar_line(std::string_view archive, std::string_view destination);
LogLine powershell_line(std::string_view command);
LogLine powershell_download_line(std::string_view url, std::string_view destination);

} // namespace velmora::test
