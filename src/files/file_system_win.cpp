#include "files/file_system_win.hpp"

#include "common/path.hpp"
#include "common/system_error_win.hpp"
#include "common/text_win.hpp"

#include <windows.h>

namespace velmora {
namespace {

bool is_directory(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

Status create_directories(std::string_view path) {
    const std::wstring wide = widen(path);
    if (path.empty() || is_directory(wide))
        return {};
    // Ancestors first; a root or a bare drive is its own parent and ends the climb.
    const std::string_view parent = parent_of(path);
    if (!parent.empty() && parent != path)
        VELMORA_TRY(create_directories(parent));
    if (::CreateDirectoryW(wide.c_str(), nullptr))
        return {};
    const DWORD error = ::GetLastError();
    // Someone else may have created it meanwhile; only a directory will do.
    if (error == ERROR_ALREADY_EXISTS && is_directory(wide))
        return {};
    return system_error(error);
}

} // namespace velmora
