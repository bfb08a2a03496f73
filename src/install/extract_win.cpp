#include "install/extract_win.hpp"

#include "common/text.hpp"
#include "install/download_messages.hpp"
#include "install/file_system_win.hpp"
#include "install/process_runner_win.hpp"
#include "install/tool_commands.hpp"

namespace velmora {

Status extract_archive(const std::string& archive, const std::string& destination) {
    if (Status created = create_directories(destination); !created)
        return created;
    // Anything in either path that is not Unicode reaches the tools as U+FFFD.
    const std::string source = sanitize_utf8(archive);
    const std::string target = sanitize_utf8(destination);
    const ToolOutcome first = run_tool("tar.exe", tar_arguments(source, target));
    if (const auto* exited = std::get_if<ToolExited>(&first); exited && exited->exit_code == 0)
        return {};
    const ToolOutcome fallback = run_powershell(expand_archive_command(source, target));
    if (const auto* exited = std::get_if<ToolExited>(&fallback)) {
        if (exited->exit_code == 0)
            return {};
        return SetupError{extraction_exit_message(exited->exit_code)};
    }
    return SetupError{extraction_failure_message(std::get<ToolFailed>(fallback).error.message)};
}

} // namespace velmora
