#pragma once
// The two values that a curl.exe or tar.exe start carries, read by the shape
// of the program's own argument lists (process/tool_commands.hpp), so that
// whatever list the program sends is the one form the stand-ins accept.

#include <optional>
#include <string>
#include <vector>

namespace velmora {

struct ToolRequest {
    std::string source; // curl: the URL; tar: the archive
    std::string target; // the destination file or folder
};

// The request when the arguments are curl_arguments(URL, DEST) (or
// tar_arguments(ARCHIVE, DEST)) for some values; nullopt for any other list.
std::optional<ToolRequest> curl_request(const std::vector<std::string>& arguments);
std::optional<ToolRequest> tar_request(const std::vector<std::string>& arguments);

} // namespace velmora
