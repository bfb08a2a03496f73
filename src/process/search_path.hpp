#pragma once
// The folders listed in a PATH value, as the tool search reads them.

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// Semicolons separate entries, except between double quotes; the double
// quotes themselves are dropped and empty entries are skipped.
std::vector<std::string> split_search_path(std::string_view path_variable);

} // namespace velmora
