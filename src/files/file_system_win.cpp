#include "files/file_system_win.hpp"

#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/sized_text_win.hpp"
#include "common/system_error_win.hpp"
#include "common/text_win.hpp"

#include <windows.h>

#include <algorithm>

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

Status make_writable(std::string_view path) {
    constexpr DWORD blocking =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const std::wstring wide = widen(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & blocking))
        return {};
    const DWORD cleared = attributes & ~blocking;
    if (!::SetFileAttributesW(wide.c_str(), cleared ? cleared : FILE_ATTRIBUTE_NORMAL))
        return last_system_error();
    return {};
}

Status write_file(std::string_view path, std::string_view bytes) {
    VELMORA_TRY(make_writable(path));
    UniqueFile file(::CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return last_system_error();
    while (!bytes.empty()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file.get(), bytes.data(), chunk, &written, nullptr))
            return last_system_error();
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
    return sized_text([&wide](wchar_t* buffer, std::size_t size) {
        return ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(size), buffer, nullptr);
    });
}

} // namespace velmora
