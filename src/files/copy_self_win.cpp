#include "files/copy_self_win.hpp"

#include "common/handle_win.hpp"
#include "common/system_error_win.hpp"
#include "common/system_queries_win.hpp"
#include "common/text_win.hpp"
#include "files/file_system_win.hpp"

#include <windows.h>

#include <optional>

namespace velmora {
namespace {

struct FileIdentity {
    DWORD volume;
    DWORD index_high;
    DWORD index_low;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identity_of(const std::wstring& path) {
    UniqueFile file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, share_all, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || !::GetFileInformationByHandle(file.get(), &info))
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

// Best effort and without retrying: a moved-aside copy that still runs
// stays until a later run.
void remove_moved_aside(const std::wstring& destination) {
    WIN32_FIND_DATAW entry;
    const std::wstring pattern = destination + L".old-*";
    const UniqueFind find(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry,
                                             FindExSearchNameMatch, nullptr, 0));
    if (!find)
        return;
    const std::wstring folder = destination.substr(0, destination.find_last_of(L"\\/") + 1);
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ::DeleteFileW((folder + entry.cFileName).c_str());
    } while (::FindNextFileW(find.get(), &entry));
}

Status copy_over(const std::wstring& source, const std::wstring& target) {
    if (::CopyFileExW(source.c_str(), target.c_str(), nullptr, nullptr, nullptr, 0))
        return {};
    const DWORD error = ::GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)
        return system_error(error);
    const std::wstring aside = target + L".old-" + std::to_wstring(::GetCurrentProcessId());
    if (!::MoveFileExW(target.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING))
        return system_error(error);
    if (::CopyFileExW(source.c_str(), target.c_str(), nullptr, nullptr, nullptr, 0))
        return {};
    // A full disk, say: the running copy goes back, so that a Velmora.exe is
    // left whatever the failure.
    const SetupError failure = last_system_error();
    ::MoveFileExW(aside.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
    return failure;
}

} // namespace

Status copy_running_executable(std::string_view destination) {
    VELMORA_TRY_ASSIGN(const std::string self, own_executable_path());
    const std::wstring source = widen(self);
    const std::wstring target = widen(destination);
    const auto source_id = identity_of(source);
    if (source_id && source_id == identity_of(target))
        return {};
    // The copy takes the setup file's attributes. A read-only or hidden copy,
    // ours or one an earlier version left, would make every later run fail here.
    remove_moved_aside(target);
    VELMORA_TRY(make_writable(destination));
    VELMORA_TRY(copy_over(source, target));
    return make_writable(destination);
}

} // namespace velmora
