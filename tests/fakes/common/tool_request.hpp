#pragma once
// The two values that a curl.exe or tar.exe start carries, read by the shape
// of the program's own argument list (install/download.hpp, install/extract.hpp), so that
// whatever list the program sends is the one form the stand-ins accept.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// curl_arguments(url, destination) or tar_arguments(archive, destination).
using ArgumentForm = std::vector<std::string> (*)(std::string_view source, std::string_view target);

struct ToolRequest {
    std::string source; // curl: the URL; tar: the archive
    std::string target; // the destination file or folder
};

// The request when the arguments are form(SOURCE, TARGET) for some values;
// nullopt for any other list.
std::optional<ToolRequest> read_request(ArgumentForm form,
                                        const std::vector<std::string>& arguments);

} // namespace velmora
