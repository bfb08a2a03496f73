#include "files/long_path_win.hpp"

#include "common/text_win.hpp"
#include "files/file_system_win.hpp"

#include <windows.h>

namespace velmora {
namespace {

constexpr std::wstring_view extended_prefix = L"\\\\?\\";

// Expects a full path with '\' separators.
std::wstring with_extended_prefix(const std::wstring& full) {
    if (full.starts_with(extended_prefix))
        return full;
    if (full.size() > 2 && full[1] == L':' && full[2] == L'\\')
        return std::wstring(extended_prefix) + full;
    if (full.starts_with(L"\\\\"))
        return std::wstring(extended_prefix) + L"UNC\\" + full.substr(2);
    return full;
}

} // namespace

std::wstring extended_length_path(std::string_view path) {
    const std::wstring wide = widen(path);
    // Too long: no room left for a file name below it in the ordinary form.
    if (wide.size() < MAX_PATH - 12)
        return wide;
    return full_extended_path(path);
}

std::wstring full_extended_path(std::string_view path) {
    // An empty path names nothing, least of all the current folder.
    if (path.empty())
        return {};
    const auto full = full_path(path);
    return full ? with_extended_prefix(widen(*full)) : widen(path);
}

} // namespace velmora
