#include "install/extract_win.hpp"

#include "common/text.hpp"
#include "files/file_system_win.hpp"
#include "install/download_messages.hpp"
#include "process/tool_commands.hpp"
#include "process/tool_runner_win.hpp"

namespace velmora {

Status extract_archive(const std::string& archive, const std::string& destination) {
    VELMORA_TRY(create_directories(destination));
    // Anything in either path that is not Unicode reaches the tools as U+FFFD.
    const std::string source = sanitize_utf8(archive);
    const std::string target = sanitize_utf8(destination);
    return run_with_fallback("tar.exe", tar_arguments(source, target),
                             expand_archive_command(source, target),
                             {extraction_exit_message, extraction_failure_message});
}

} // namespace velmora
