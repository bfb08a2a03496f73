#pragma once
// Serving a URL from the stand-ins' web root (VELMORA_STANDIN_WEB_ROOT) into a file.

#include "rules.hpp"

#include <optional>
#include <string>

namespace velmora {

enum class ServeResult {
    served,
    unsupported_scheme,
    malformed,
    http_error, // 404 for a missing file, or a rule's status
    no_web_root,
    write_failed,
};

// Copies <web root>\PATH to `destination`, honouring a `status` or `short`
// rule. The destination is created only once the source is known to exist.
ServeResult serve_url(const std::string& url, const std::string& destination,
                      const std::optional<Rule>& rule);

} // namespace velmora
