#include "common/path.hpp"

#include "common/text.hpp"

namespace velmora {
namespace {

bool is_separator(char c) {
    return c == '\\' || c == '/';
}

bool is_bare_drive(std::string_view path) {
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    return path.size() == 2 && letter(path[0]) && path[1] == ':';
}

// Where the last component starts: after the last separator, or after a drive.
std::size_t last_component_start(std::string_view path) {
    const auto pos = path.find_last_of("\\/");
    if (pos != std::string_view::npos)
        return pos + 1;
    if (path.size() >= 2 && path[1] == ':' && is_bare_drive(path.substr(0, 2)))
        return 2;
    return 0;
}

// CON, PRN, AUX, NUL, COM0-9 and LPT0-9 (and CONIN$, CONOUT$) name devices,
// not files, whatever extension follows and in any letter case.
bool is_device_name(std::string_view text) {
    std::string_view base = text.substr(0, text.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    for (const std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (ascii_iequals(base, device))
            return true;
    const std::string_view port = base.substr(0, 3);
    return base.size() == 4 && (ascii_iequals(port, "COM") || ascii_iequals(port, "LPT")) &&
           base[3] >= '0' && base[3] <= '9';
}

} // namespace

std::string join_path(std::string_view base, std::string_view component) {
    std::string joined(base);
    if (!base.empty() && !is_separator(base.back()) && !is_bare_drive(base))
        joined += '\\';
    joined += component;
    return joined;
}

std::string_view file_name_of(std::string_view path) {
    return path.substr(last_component_start(path));
}

std::string_view parent_of(std::string_view path) {
    std::string_view parent = path.substr(0, last_component_start(path));
    // Keep a root's separator ("C:\", "\") but drop the one between components.
    while (parent.size() > 1 && is_separator(parent.back()) &&
           !(parent.size() == 3 && parent[1] == ':'))
        parent.remove_suffix(1);
    return parent;
}

bool is_plain_name(std::string_view text) {
    if (text.empty() || text == "." || text == ".." || text.back() == '.' || text.back() == ' ' ||
        is_device_name(text))
        return false;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

} // namespace velmora
