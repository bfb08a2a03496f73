#include "files/remove_tree_win.hpp"

#include "common/handle_win.hpp"
#include "common/system_error_win.hpp"
#include "common/text_win.hpp"
#include "files/long_path_win.hpp"

#include <windows.h>

namespace velmora {
namespace {

Status check(BOOL succeeded) {
    return succeeded ? Status{} : Status{last_system_error()};
}

// Read-only entries refuse deletion until the attribute is cleared.
Status clear_read_only(const std::wstring& path, DWORD attributes) {
    if (!(attributes & FILE_ATTRIBUTE_READONLY))
        return {};
    return check(::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY));
}

Status remove_entry(const std::wstring& path, DWORD attributes);

Status remove_contents(const std::wstring& directory) {
    WIN32_FIND_DATAW entry;
    UniqueFind find(::FindFirstFileExW((directory + L"\\*").c_str(), FindExInfoBasic, &entry,
                                       FindExSearchNameMatch, nullptr, 0));
    if (!find) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? Status{} : Status{system_error(error)};
    }
    do {
        const std::wstring_view name = entry.cFileName;
        if (name == L"." || name == L"..")
            continue;
        VELMORA_TRY(remove_entry(directory + L"\\" + entry.cFileName, entry.dwFileAttributes));
    } while (::FindNextFileW(find.get(), &entry));
    const DWORD error = ::GetLastError();
    return error == ERROR_NO_MORE_FILES ? Status{} : Status{system_error(error)};
}

Status remove_entry(const std::wstring& path, DWORD attributes) {
    VELMORA_TRY(clear_read_only(path, attributes));
    const bool directory = attributes & FILE_ATTRIBUTE_DIRECTORY;
    // A directory link is removed with RemoveDirectoryW without entering it.
    if (directory && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        VELMORA_TRY(remove_contents(path));
    return check(directory ? ::RemoveDirectoryW(path.c_str()) : ::DeleteFileW(path.c_str()));
}

} // namespace

Status remove_tree(std::string_view directory) {
    const std::wstring path = full_extended_path(directory);
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return last_system_error();
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return system_error(ERROR_DIRECTORY);
    return remove_entry(path, attributes);
}

} // namespace velmora
