#include "common/path.hpp"

#include "common/text.hpp"

#include <vector>

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

// CON, PRN, AUX, NUL, COM0-9 and LPT0-9, also with the superscript digits
// 1-3 (and CONIN$, CONOUT$) name devices, not files, whatever extension
// follows and in any letter case.
bool is_device_name(std::string_view text) {
    std::string_view base = text.substr(0, text.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    for (const std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (ascii_iequals(base, device))
            return true;
    const std::string_view port = base.substr(0, 3);
    if (!ascii_iequals(port, "COM") && !ascii_iequals(port, "LPT"))
        return false;
    const std::string_view number = base.substr(3);
    return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
           number == "\xC2\xB2" || number == "\xC2\xB3";
}

// The root of a full path ("C:\" of "C:\x", "\\server\share" of a UNC path)
// and the components below it; nullopt for any other path, and for "." or ".."
// components, which would make a common folder a guess.
struct SplitPath {
    std::string root;
    std::vector<std::string_view> components;
};

std::optional<SplitPath> split_full_path(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || is_separator(path[i])) {
            parts.push_back(path.substr(start, i - start));
            start = i + 1;
        }
    }
    SplitPath split;
    std::size_t first = 0;
    if (path.size() >= 3 && is_bare_drive(path.substr(0, 2)) && is_separator(path[2])) {
        split.root = std::string(path.substr(0, 2)) + '\\';
        first = 1;
    } else if (parts.size() >= 4 && parts[0].empty() && parts[1].empty() && !parts[2].empty() &&
               !parts[3].empty() && parts[2] != "?" && parts[2] != ".") {
        split.root = "\\\\" + std::string(parts[2]) + '\\' + std::string(parts[3]);
        first = 4;
    } else {
        return std::nullopt;
    }
    for (std::size_t i = first; i < parts.size(); ++i) {
        if (parts[i] == "." || parts[i] == "..")
            return std::nullopt;
        if (!parts[i].empty())
            split.components.push_back(parts[i]);
    }
    return split;
}

std::string joined_from(std::string base, const std::vector<std::string_view>& components,
                        std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i)
        base = join_path(base, components[i]);
    return base;
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

std::optional<CommonFolder> relative_to_common_folder(std::string_view first,
                                                      std::string_view second) {
    const auto a = split_full_path(first);
    const auto b = split_full_path(second);
    if (!a || !b || !ascii_iequals(a->root, b->root))
        return std::nullopt;
    std::size_t common = 0;
    while (common < a->components.size() && common < b->components.size() &&
           ascii_iequals(a->components[common], b->components[common]))
        ++common;
    const auto below = [common](const SplitPath& path) {
        const std::string rest = joined_from("", path.components, common, path.components.size());
        return rest.empty() ? std::string(".") : rest;
    };
    return CommonFolder{joined_from(a->root, a->components, 0, common), below(*a), below(*b)};
}

} // namespace velmora
