#include "process/tool_runner_win.hpp"

#include "common/command_line.hpp"
#include "common/environment_win.hpp"
#include "common/path.hpp"
#include "common/sized_text_win.hpp"
#include "common/system_error_win.hpp"
#include "common/system_paths_win.hpp"
#include "common/text_win.hpp"
#include "process/tool_commands.hpp"
#include "process/tool_search.hpp"

#include <windows.h>

namespace velmora {
namespace {

// A folder that the system reports through a GetSystemDirectoryW-like call.
template <class Query> Result<std::string> system_folder(Query query) {
    return sized_text([query](wchar_t* buffer, std::size_t size) {
        return query(buffer, static_cast<UINT>(size));
    });
}

// The folders searched for a tool, in order of precedence.
Result<std::vector<std::string>> search_folders() {
    VELMORA_TRY_ASSIGN(const std::string own, own_executable_path());
    std::vector<std::string> folders{std::string(parent_of(own))};
    for (auto folder :
         {system_folder(::GetSystemDirectoryW), system_folder(::GetWindowsDirectoryW)}) {
        VELMORA_TRY_ASSIGN(std::string found, std::move(folder));
        folders.push_back(std::move(found));
    }
    if (const auto path = environment_variable(L"PATH")) {
        for (auto& entry : split_search_path(narrow(*path)))
            folders.push_back(std::move(entry));
    }
    return folders;
}

// Our copies of the null device close as soon as the child runs: only the
// tool holds it then.
Result<UniqueHandle> start_on_null_device(const ToolCommand& command) {
    VELMORA_TRY_ASSIGN(const UniqueFile input, open_null_device(GENERIC_READ));
    VELMORA_TRY_ASSIGN(const UniqueFile output, open_null_device(GENERIC_WRITE));
    return start_tool(command, {input.get(), output.get(), output.get()});
}

Result<std::uint32_t> run_to_end(std::string_view tool_name,
                                 const std::vector<std::string>& arguments,
                                 std::optional<std::string> working_directory) {
    VELMORA_TRY_ASSIGN(const ToolCommand command,
                       prepare_tool(tool_name, arguments, std::move(working_directory)));
    VELMORA_TRY_ASSIGN(const UniqueHandle process, start_on_null_device(command));
    return wait_for_exit_code(process.get());
}

bool succeeded(const ToolOutcome& outcome) {
    const auto* exited = std::get_if<ToolExited>(&outcome);
    return exited && exited->exit_code == 0;
}

// Exit code 0 alone is not enough where a file is expected: curl ends with 0
// when a server's Retry-After outlasts its retries, leaving no file, or an
// empty one when an earlier attempt had begun it. No manifest or archive is
// empty.
bool delivered(const ToolOutcome& outcome, std::string_view output_file) {
    if (!succeeded(outcome))
        return false;
    if (output_file.empty())
        return true;
    WIN32_FILE_ATTRIBUTE_DATA data;
    return ::GetFileAttributesExW(widen(output_file).c_str(), GetFileExInfoStandard, &data) &&
           (data.nFileSizeHigh != 0 || data.nFileSizeLow != 0);
}

} // namespace

Result<std::string> find_tool(std::string_view tool_name) {
    VELMORA_TRY_ASSIGN(const auto folders, search_folders());
    for (const std::string& folder : folders) {
        std::string candidate = join_path(folder, tool_name);
        if (::GetFileAttributesW(widen(candidate).c_str()) != INVALID_FILE_ATTRIBUTES)
            return candidate;
    }
    return SetupError{"program not found"};
}

Result<ToolCommand> prepare_tool(std::string_view tool_name,
                                 const std::vector<std::string>& arguments,
                                 std::optional<std::string> working_directory) {
    VELMORA_TRY_ASSIGN(std::string program, find_tool(tool_name));
    VELMORA_TRY_ASSIGN(std::string command_line, build_command_line(tool_name, arguments));
    return ToolCommand{std::move(program), std::move(command_line), std::move(working_directory)};
}

Result<UniqueHandle> start_tool(const ToolCommand& command, const StandardStreams& streams) {
    return launch_process({.program = command.program,
                           .command_line = command.command_line,
                           .streams = streams,
                           .environment = nullptr,
                           .working_directory = command.working_directory,
                           .ends_with_this_program = true});
}

ToolOutcome run_tool(std::string_view tool_name, const std::vector<std::string>& arguments,
                     std::optional<std::string> working_directory) {
    auto exit_code = run_to_end(tool_name, arguments, std::move(working_directory));
    if (!exit_code)
        return ToolFailed{std::move(exit_code).error()};
    return ToolExited{*exit_code};
}

ToolOutcome run_powershell(const std::string& command) {
    return run_tool("powershell.exe", powershell_arguments(command));
}

Status run_with_fallback(std::string_view tool_name, const std::vector<std::string>& arguments,
                         const std::string& powershell_command, const FallbackMessages& messages,
                         ToolRunOptions options) {
    if (delivered(run_tool(tool_name, arguments, std::move(options.working_directory)),
                  options.output_file))
        return {};
    const ToolOutcome fallback = run_powershell(powershell_command);
    if (succeeded(fallback))
        return {};
    if (const auto* exited = std::get_if<ToolExited>(&fallback))
        return SetupError{messages.exit_code(exited->exit_code)};
    return SetupError{messages.failure(std::get<ToolFailed>(fallback).error.message)};
}

} // namespace velmora
