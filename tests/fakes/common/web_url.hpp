#pragma once
// Where a URL's file lies below the stand-ins' web root.

#include <string>
#include <string_view>
#include <variant>

namespace velmora {

enum class UrlFault {
    unsupported_scheme, // a scheme other than http or https
    malformed,          // no scheme, no host, bad percent-encoding, ".." or NUL in the path
};

// http://AUTHORITY/PATH or https://AUTHORITY/PATH (scheme in any case): PATH
// without query and fragment, percent-decoded, with '/' turned into '\'. The
// result is relative to the web root; it is empty for the bare authority.
std::variant<std::string, UrlFault> web_relative_path(std::string_view url);

} // namespace velmora
