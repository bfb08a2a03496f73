#include "install/download_win.hpp"

#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/system_error_win.hpp"
#include "common/text_win.hpp"
#include "files/file_system_win.hpp"
#include "install/digest_win.hpp"
#include "install/download.hpp"
#include "process/tool_runner_win.hpp"

#include <windows.h>

namespace velmora {
namespace {

constexpr DWORD read_buffer_size = 1024 * 1024;

Result<std::uint64_t> file_size(const std::string& file) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    VELMORA_WIN32(::GetFileAttributesExW(widen(file).c_str(), GetFileExInfoStandard, &data));
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Streams the file through one fixed buffer into the digest.
Result<std::string> file_digest(const std::string& file, DigestAlgorithm algorithm) {
    UniqueFile handle(::CreateFileW(widen(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle)
        return last_system_error();
    VELMORA_TRY_ASSIGN(DigestComputation computation, DigestComputation::start(algorithm));
    std::vector<std::uint8_t> buffer(read_buffer_size);
    for (;;) {
        DWORD read = 0;
        VELMORA_WIN32(::ReadFile(handle.get(), buffer.data(), read_buffer_size, &read, nullptr));
        if (read == 0)
            break;
        VELMORA_TRY(computation.update(std::span(buffer.data(), read)));
    }
    VELMORA_TRY_ASSIGN(const auto digest, computation.finish());
    return to_lower_hex(digest);
}

} // namespace

Status download_file(const std::string& url, const std::string& destination) {
    if (const std::string_view parent = parent_of(destination); !parent.empty())
        VELMORA_TRY(create_directories(parent));
    // Both tools get the same text; anything that is not Unicode reads U+FFFD.
    const std::string target = sanitize_utf8(destination);
    return run_with_fallback({.tool = "curl.exe",
                              .arguments = curl_arguments(url, target),
                              .working_directory = std::nullopt,
                              .output_file = target},
                             {web_request_command(url, target), download_failure_texts});
}

Status verify_download(const std::string& file, std::uint64_t expected_size,
                       const std::string& expected_digest, DigestAlgorithm algorithm) {
    VELMORA_TRY_ASSIGN(const std::uint64_t size, file_size(file));
    if (size != expected_size)
        return SetupError{size_mismatch_message(size, expected_size)};
    VELMORA_TRY_ASSIGN(const std::string digest, file_digest(file, algorithm));
    if (!digests_match(digest, expected_digest))
        return SetupError{std::string(integrity_failure_message)};
    return {};
}

Result<std::string> fetch_verified(const ArchiveDownload& archive, const std::string& work) {
    std::string file = join_path(work, archive.file_name);
    VELMORA_TRY(download_file(archive.url, file));
    VELMORA_TRY(verify_download(file, archive.size, archive.digest, archive.algorithm));
    return file;
}

} // namespace velmora
