#include "files/path_exists_win.hpp"

#include "common/handle_win.hpp"
#include "common/text_win.hpp"

#include <windows.h>

namespace velmora {
namespace {

// A NUL would cut the path short and let Windows answer for another one.
bool has_nul(std::string_view path) {
    return path.find('\0') != std::string_view::npos;
}

} // namespace

bool path_exists(std::string_view path) {
    if (has_nul(path))
        return false;
    const std::wstring wide = widen(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return true;
    // The attributes are the link's own: a link counts only when what it
    // points at opens. Reading attributes conflicts with no opener's sharing.
    const UniqueFile target(::CreateFileW(
        wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return target.valid();
}

bool entry_exists(std::string_view path) {
    if (has_nul(path))
        return false;
    return ::GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace velmora
