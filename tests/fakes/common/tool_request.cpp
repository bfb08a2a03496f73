#include "tool_request.hpp"

namespace velmora {
namespace {

// Stand where the values go in a list made by the program; no argument that
// a test sends holds these bytes.
constexpr std::string_view source_mark = "\x01source";
constexpr std::string_view target_mark = "\x01target";

std::optional<ToolRequest> match(const std::vector<std::string>& shape,
                                 const std::vector<std::string>& arguments) {
    if (arguments.size() != shape.size())
        return std::nullopt;
    ToolRequest request;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] == source_mark)
            request.source = arguments[i];
        else if (shape[i] == target_mark)
            request.target = arguments[i];
        else if (shape[i] != arguments[i])
            return std::nullopt;
    }
    return request;
}

} // namespace

std::optional<ToolRequest> read_request(ArgumentForm form,
                                        const std::vector<std::string>& arguments) {
    return match(form(source_mark, target_mark), arguments);
}

} // namespace velmora
