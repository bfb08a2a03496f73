#include "files/file_system_win.hpp"

#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/system_error.hpp"
#include "common/system_error_win.hpp"
#include "common/system_queries_win.hpp"
#include "common/text_win.hpp"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace velmora {
namespace {

bool is_directory(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

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

// Read-only entries refuse deletion until the attribute is cleared.
Status clear_read_only(const std::wstring& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_READONLY)
        VELMORA_WIN32(::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY));
    return {};
}

Status remove_entry(const std::wstring& path, DWORD attributes, WhenBusy when_busy);

// A virus scanner that holds a fresh file for a moment must not fail the
// install: a refused delete or rename is tried again for a while.
Status retrying(const FileAttempt& attempt) {
    const std::uint32_t error = retry_while_busy(attempt, pause_for);
    return error == 0 ? Status{} : Status{system_error(error)};
}

// An entry that is gone when deleted again (a scanner quarantined the file
// it held) is what the delete wanted.
std::uint32_t deleted_unless(BOOL succeeded) {
    const DWORD error = succeeded ? 0 : ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : error;
}

Status remove_contents(const std::wstring& directory, WhenBusy when_busy) {
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
        VELMORA_TRY(
            remove_entry(directory + L"\\" + entry.cFileName, entry.dwFileAttributes, when_busy));
    } while (::FindNextFileW(find.get(), &entry));
    const DWORD error = ::GetLastError();
    return error == ERROR_NO_MORE_FILES ? Status{} : Status{system_error(error)};
}

Status remove_entry(const std::wstring& path, DWORD attributes, WhenBusy when_busy) {
    VELMORA_TRY(clear_read_only(path, attributes));
    const bool directory = attributes & FILE_ATTRIBUTE_DIRECTORY;
    // A directory link is removed with RemoveDirectoryW without entering it.
    if (directory && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        VELMORA_TRY(remove_contents(path, when_busy));
    const auto attempt = [&] {
        return deleted_unless(directory ? ::RemoveDirectoryW(path.c_str())
                                        : ::DeleteFileW(path.c_str()));
    };
    if (when_busy == WhenBusy::give_up) {
        const std::uint32_t error = attempt();
        return error == 0 ? Status{} : Status{system_error(error)};
    }
    return retrying(attempt);
}

// FileRenameInfoEx; older SDK headers hide the name behind a newer target.
constexpr auto file_rename_info_ex = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);

UniqueFile open_for_rename(const std::wstring& path) {
    return UniqueFile(::CreateFileW(path.c_str(), DELETE, share_all, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr));
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

// One try of both forms; ERROR_SUCCESS or the error to report.
DWORD rename_once(const std::wstring& source, const std::wstring& target,
                  const std::wstring& full_target) {
    if (::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return ERROR_SUCCESS;
    const DWORD first = ::GetLastError();
    if (first != ERROR_ACCESS_DENIED)
        return first;
    // Could not open, or the target is a non-empty directory: the first
    // error says more to the user.
    const UniqueFile directory = open_for_rename(source);
    if (!directory)
        return first;
    // The handle-based rename needs the target as a full path.
    const DWORD second = rename_through_handle(directory, full_target);
    return second == ERROR_DIR_NOT_EMPTY ? first : second;
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

Status make_writable(std::string_view path) {
    constexpr DWORD blocking =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const std::wstring wide = widen(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & blocking))
        return {};
    const DWORD cleared = attributes & ~blocking;
    VELMORA_WIN32(::SetFileAttributesW(wide.c_str(), cleared ? cleared : FILE_ATTRIBUTE_NORMAL));
    return {};
}

Status write_file(std::string_view path, std::string_view bytes) {
    VELMORA_TRY(make_writable(path));
    UniqueFile file(::CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    VELMORA_WIN32(file);
    while (!bytes.empty()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        VELMORA_WIN32(::WriteFile(file.get(), bytes.data(), chunk, &written, nullptr));
        if (written == 0) // nothing taken and no error: trying again would spin
            return system_error(ERROR_WRITE_FAULT);
        bytes.remove_prefix(written);
    }
    return {};
}

std::vector<std::string> directory_names(std::string_view path) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW entry;
    const UniqueFind find(::FindFirstFileExW(widen(join_path(path, "*")).c_str(), FindExInfoBasic,
                                             &entry, FindExSearchNameMatch, nullptr, 0));
    if (!find)
        return names;
    do {
        const std::wstring_view name = entry.cFileName;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
            names.push_back(narrow(name));
    } while (::FindNextFileW(find.get(), &entry));
    return names;
}

Result<std::string> full_path(std::string_view path) {
    const std::wstring wide = widen(path.empty() ? std::string_view(".") : path);
    return text_until_it_fits([&wide](wchar_t* buffer, std::size_t size) {
        return ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(size), buffer, nullptr);
    });
}

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

bool path_exists(std::string_view path) {
    // A NUL would cut the path short and let Windows answer for another one.
    if (path.find('\0') != std::string_view::npos)
        return false;
    const std::wstring wide = widen(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return true;
    // The attributes are the link's own: a link counts only when what it
    // points at opens. Reading attributes conflicts with no opener's sharing.
    const UniqueFile target(::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, share_all, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return target.valid();
}

Status remove_tree(std::string_view directory, WhenBusy when_busy) {
    const std::wstring path = full_extended_path(directory);
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return last_system_error();
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return system_error(ERROR_DIRECTORY);
    return remove_entry(path, attributes, when_busy);
}

Status rename_directory(std::string_view from, std::string_view to) {
    const std::wstring source = extended_length_path(from);
    const std::wstring target = extended_length_path(to);
    const std::wstring full_target = full_extended_path(to);
    return retrying([&] { return rename_once(source, target, full_target); });
}

} // namespace velmora
