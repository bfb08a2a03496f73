#include "install/extract_win.hpp"

#include "common/text.hpp"
#include "common/text_win.hpp"
#include "files/file_system_win.hpp"
#include "install/extract.hpp"
#include "process/tool_runner_win.hpp"

#include <windows.h>

namespace velmora {
namespace {

// Every character has a byte of its own in the ANSI code page: nothing turns
// into '?' or a look-alike.
bool in_ansi_code_page(std::string_view text) {
    if (::GetACP() == CP_UTF8)
        return true;
    const std::wstring wide = widen(text);
    if (wide.empty())
        return true;
    BOOL lost = FALSE;
    const int size =
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                              static_cast<int>(wide.size()), nullptr, 0, nullptr, &lost);
    return size > 0 && !lost;
}

std::optional<std::string> short_path(std::string_view path) {
    const std::wstring wide = widen(path);
    auto short_name = text_until_it_fits([&wide](wchar_t* buffer, std::size_t size) {
        return ::GetShortPathNameW(wide.c_str(), buffer, static_cast<DWORD>(size));
    });
    if (!short_name)
        return std::nullopt;
    return std::move(*short_name);
}

} // namespace

Status extract_archive(const std::string& archive, const std::string& destination) {
    VELMORA_TRY(create_directories(destination));
    // Anything in either path that is not Unicode reaches the tools as U+FFFD.
    const std::string source = sanitize_utf8(archive);
    const std::string target = sanitize_utf8(destination);
    TarPaths tar = choose_tar_paths(source, target, in_ansi_code_page, short_path);
    return run_with_fallback({.tool = "tar.exe",
                              .arguments = tar_arguments(tar.archive, tar.destination),
                              .working_directory = std::move(tar.working_directory),
                              .output_file = {}},
                             {expand_archive_command(source, target), extraction_failure_texts});
}

} // namespace velmora
