#include "support/file_io_win.hpp"

#include "common/system_error_win.hpp"
#include "common/text_win.hpp"

#include <windows.h>

#include <algorithm>

namespace velmora {

namespace {

constexpr DWORD max_chunk = 1 << 20;

DWORD chunk_of(std::size_t size) {
    return static_cast<DWORD>(std::min<std::size_t>(size, max_chunk));
}

} // namespace

Result<UniqueFile> open_for_reading(const std::string& path) {
    UniqueFile file(::CreateFileW(widen(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return last_system_error();
    return file;
}

Result<UniqueFile> create_for_writing(const std::string& path) {
    const std::wstring wide = widen(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    UniqueFile file(::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return last_system_error();
    return file;
}

Result<std::uint64_t> file_size(HANDLE file) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size))
        return last_system_error();
    return static_cast<std::uint64_t>(size.QuadPart);
}

Result<std::size_t> read_some(HANDLE file, std::span<unsigned char> into) {
    std::size_t total = 0;
    while (total < into.size()) {
        DWORD read = 0;
        if (!::ReadFile(file, into.data() + total, chunk_of(into.size() - total), &read, nullptr))
            return last_system_error();
        if (read == 0)
            break;
        total += read;
    }
    return total;
}

Status read_at(HANDLE file, std::uint64_t offset, std::span<unsigned char> into) {
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(file, position, nullptr, FILE_BEGIN))
        return last_system_error();
    auto read = read_some(file, into);
    if (!read)
        return std::move(read).error();
    if (*read != into.size())
        return SetupError{"corrupt archive: unexpected end of file"};
    return {};
}

Status write_all(HANDLE file, Bytes bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk_of(bytes.size()), &written, nullptr))
            return last_system_error();
        bytes = bytes.subspan(written);
    }
    return {};
}

Status append_line(const std::string& path, std::string_view line) {
    const UniqueFile file(::CreateFileW(widen(path).c_str(), FILE_APPEND_DATA,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return last_system_error();
    DWORD written = 0;
    if (!::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr))
        return last_system_error();
    return {};
}

Result<std::string> read_whole_file(const std::string& path) {
    auto file = open_for_reading(path);
    if (!file)
        return std::move(file).error();
    auto size = file_size(file->get());
    if (!size)
        return std::move(size).error();
    std::string text(static_cast<std::size_t>(*size), '\0');
    auto read = read_some(file->get(),
                          std::span(reinterpret_cast<unsigned char*>(text.data()), text.size()));
    if (!read)
        return std::move(read).error();
    text.resize(*read);
    return text;
}

Status write_whole_file(const std::string& path, std::string_view bytes) {
    auto file = create_for_writing(path);
    if (!file)
        return std::move(file).error();
    return write_all(file->get(),
                     Bytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
}

bool is_directory(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace velmora
