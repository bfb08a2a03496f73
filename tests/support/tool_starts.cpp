#include "support/tool_starts.hpp"

#include "install/download.hpp"
#include "install/extract.hpp"
#include "process/powershell.hpp"

namespace velmora::test {
namespace {

LogLine start_of(std::string_view tool, const std::vector<std::string>& arguments) {
    LogLine line{std::string(tool)};
    line.insert(line.end(), arguments.begin(), arguments.end());
    return line;
}

} // namespace

LogLine curl_line(std::string_view destination, std::string_view url) {
    return start_of("curl.exe", curl_arguments(url, destination));
}

LogLine tar_line(std::string_view archive, std::string_view destination) {
    return start_of("tar.exe", tar_arguments(archive, destination));
}

LogLine powershell_line(std::string_view command) {
    return start_of("powershell.exe", powershell_arguments(command));
}

LogLine powershell_download_line(std::string_view url, std::string_view destination) {
    return powershell_line(web_request_command(url, destination));
}

} // namespace velmora::test
