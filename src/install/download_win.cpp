#include "install/download_win.hpp"

#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/system_error_win.hpp"
#include "common/text_win.hpp"
#include "install/digest_win.hpp"
#include "install/download_messages.hpp"
#include "install/file_system_win.hpp"
#include "install/process_runner_win.hpp"
#include "install/tool_commands.hpp"

#include <windows.h>

namespace velmora {
namespace {

constexpr DWORD read_buffer_size = 1024 * 1024;

bool succeeded(const ToolOutcome& outcome) {
    const auto* exited = std::get_if<ToolExited>(&outcome);
    return exited && exited->exit_code == 0;
}

Result<std::uint64_t> file_size(const std::string& file) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(widen(file).c_str(), GetFileExInfoStandard, &data))
        return last_system_error();
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Streams the file through one fixed buffer into the digest.
Result<std::string> file_digest(const std::string& file, DigestAlgorithm algorithm) {
    UniqueFile handle(::CreateFileW(widen(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle)
        return last_system_error();
    auto computation = DigestComputation::start(algorithm);
    if (!computation)
        return std::move(computation).error();
    std::vector<std::uint8_t> buffer(read_buffer_size);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(handle.get(), buffer.data(), read_buffer_size, &read, nullptr))
            return last_system_error();
        if (read == 0)
            break;
        if (Status fed = computation->update(std::span(buffer.data(), read)); !fed)
            return std::move(fed).error();
    }
    auto digest = computation->finish();
    if (!digest)
        return std::move(digest).error();
    return to_lower_hex(*digest);
}

} // namespace

Status download_file(const std::string& url, const std::string& destination) {
    if (const std::string_view parent = parent_of(destination); !parent.empty()) {
        if (Status created = create_directories(std::string(parent)); !created)
            return created;
    }
    // Both tools get the same text; anything that is not Unicode reads U+FFFD.
    const std::string target = sanitize_utf8(destination);
    if (succeeded(run_tool("curl.exe", curl_arguments(url, target))))
        return {};
    const ToolOutcome fallback = run_powershell(web_request_command(url, target));
    if (const auto* exited = std::get_if<ToolExited>(&fallback)) {
        if (exited->exit_code == 0)
            return {};
        return SetupError{download_exit_message(exited->exit_code)};
    }
    return SetupError{download_failure_message(std::get<ToolFailed>(fallback).error.message)};
}

Status verify_download(const std::string& file, std::uint64_t expected_size,
                       const std::string& expected_digest, bool sha512) {
    const auto size = file_size(file);
    if (!size)
        return size.error();
    if (*size != expected_size)
        return SetupError{size_mismatch_message(*size, expected_size)};
    const auto digest =
        file_digest(file, sha512 ? DigestAlgorithm::sha512 : DigestAlgorithm::sha256);
    if (!digest)
        return digest.error();
    if (!digests_match(*digest, expected_digest))
        return SetupError{std::string(integrity_failure_message)};
    return {};
}

} // namespace velmora
