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
    VELMORA_TRY(make_writable(destination));
    VELMORA_WIN32(::CopyFileExW(source.c_str(), target.c_str(), nullptr, nullptr, nullptr, 0));
    return make_writable(destination);
}

} // namespace velmora
