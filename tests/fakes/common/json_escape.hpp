#pragma once
// JSON text for the stand-ins' start log.

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The UTF-8 text as a quoted JSON string: quote, backslash and the control
// characters are escaped; every other byte is copied as it is.
std::string json_quote(std::string_view text);

// A compact JSON array of strings, e.g. ["curl.exe","--fail"].
std::string json_string_array(const std::vector<std::string>& items);

} // namespace velmora
