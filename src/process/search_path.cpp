#include "process/search_path.hpp"

namespace velmora {

std::vector<std::string> split_search_path(std::string_view path_variable) {
    std::vector<std::string> entries;
    std::string current;
    bool quoted = false;
    const auto finish_entry = [&] {
        if (!current.empty())
            entries.push_back(std::move(current));
        current.clear();
    };
    for (const char c : path_variable) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ';' && !quoted)
            finish_entry();
        else
            current += c;
    }
    finish_entry();
    return entries;
}

} // namespace velmora
