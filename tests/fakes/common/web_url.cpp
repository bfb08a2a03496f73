#include "web_url.hpp"

#include "common/text.hpp"

#include <optional>

namespace velmora {

namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> percent_decode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = hex_value(text[i + 1]), low = hex_value(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

// Each '/'-separated component of the decoded path, re-joined with '\'.
// Empty and "." components are dropped, as a server normalises them.
std::optional<std::string> to_relative(std::string_view path) {
    std::string out;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        path.remove_prefix(slash == std::string_view::npos ? path.size() : slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == ".." || part.find('\\') != std::string_view::npos ||
            part.find('\0') != std::string_view::npos || part.find(':') != std::string_view::npos)
            return std::nullopt;
        if (!out.empty())
            out += '\\';
        out += part;
    }
    return out;
}

} // namespace

std::variant<std::string, UrlFault> web_relative_path(std::string_view url) {
    const std::size_t separator = url.find("://");
    if (separator == std::string_view::npos || separator == 0)
        return UrlFault::malformed;
    const std::string_view scheme = url.substr(0, separator);
    if (!ascii_iequals(scheme, "http") && !ascii_iequals(scheme, "https"))
        return UrlFault::unsupported_scheme;
    std::string_view rest = url.substr(separator + 3);
    rest = rest.substr(0, rest.find_first_of("?#"));
    const std::size_t slash = rest.find('/');
    if (slash == 0 || rest.empty())
        return UrlFault::malformed;
    if (slash == std::string_view::npos)
        return std::string();
    const auto decoded = percent_decode(rest.substr(slash));
    if (!decoded)
        return UrlFault::malformed;
    auto relative = to_relative(*decoded);
    if (!relative)
        return UrlFault::malformed;
    return std::move(*relative);
}

} // namespace velmora
