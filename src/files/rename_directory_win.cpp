#include "files/rename_directory_win.hpp"

#include "common/handle_win.hpp"
#include "common/system_error_win.hpp"
#include "files/long_path_win.hpp"

#include <windows.h>

#include <cstring>
#include <vector>

namespace velmora {
namespace {

// FileRenameInfoEx; older SDK headers hide the name behind a newer target.
constexpr auto file_rename_info_ex = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);

UniqueFile open_for_rename(const std::wstring& path) {
    return UniqueFile(::CreateFileW(
        path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// The second attempt. Returns ERROR_SUCCESS or the error that stopped it.
DWORD rename_through_handle(const UniqueFile& directory, const std::wstring& to) {
    const std::size_t name_bytes = to.size() * sizeof(wchar_t);
    std::vector<std::byte> buffer(sizeof(FILE_RENAME_INFO) + name_bytes);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(name_bytes);
    std::memcpy(info->FileName, to.data(), name_bytes);
    if (!::SetFileInformationByHandle(directory.get(), file_rename_info_ex, info,
                                      static_cast<DWORD>(buffer.size())))
        return ::GetLastError();
    return ERROR_SUCCESS;
}

} // namespace

Status rename_directory(std::string_view from, std::string_view to) {
    const std::wstring source = extended_length_path(from);
    const std::wstring target = extended_length_path(to);
    if (::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return {};
    const DWORD first = ::GetLastError();
    if (first != ERROR_ACCESS_DENIED)
        return system_error(first);

    // Could not open, or the target is a non-empty directory: the first
    // error says more to the user.
    const UniqueFile directory = open_for_rename(source);
    if (!directory)
        return system_error(first);
    // The handle-based rename needs the target as a full path.
    const DWORD second = rename_through_handle(directory, full_extended_path(to));
    if (second == ERROR_SUCCESS)
        return {};
    if (second == ERROR_DIR_NOT_EMPTY)
        return system_error(first);
    return system_error(second);
}

} // namespace velmora
