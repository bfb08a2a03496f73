#include "install/process_runner_win.hpp"

#include "common/command_line.hpp"
#include "common/environment_win.hpp"
#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/system_error_win.hpp"
#include "common/system_paths_win.hpp"
#include "common/text_win.hpp"
#include "install/hidden_process_win.hpp"
#include "install/tool_search.hpp"

#include <windows.h>

namespace velmora {
namespace {

constexpr std::string_view program_not_found = "program not found";

// A folder that the system reports through a GetSystemDirectoryW-like call.
template <class Query> Result<std::string> system_folder(Query query) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const UINT length = query(buffer.data(), static_cast<UINT>(buffer.size()));
        if (length == 0)
            return last_system_error();
        if (length < buffer.size()) {
            buffer.resize(length);
            return narrow(buffer);
        }
        buffer.resize(length); // length includes the terminating NUL here
    }
}

// The folders searched for a tool, in order of precedence.
Result<std::vector<std::string>> search_folders() {
    std::vector<std::string> folders;
    auto own = own_executable_path();
    if (!own)
        return std::move(own).error();
    folders.emplace_back(parent_of(*own));
    for (auto folder :
         {system_folder(::GetSystemDirectoryW), system_folder(::GetWindowsDirectoryW)}) {
        if (!folder)
            return std::move(folder).error();
        folders.push_back(std::move(*folder));
    }
    if (const auto path = environment_variable(L"PATH")) {
        for (auto& entry : split_search_path(narrow(*path)))
            folders.push_back(std::move(entry));
    }
    return folders;
}

// Starts the program hidden with its streams on the null device; the
// returned handle is the process's.
Result<UniqueHandle> start_hidden(const std::string& program, const std::string& command_line) {
    auto input = open_null_device(GENERIC_READ);
    if (!input)
        return std::move(input).error();
    auto output = open_null_device(GENERIC_WRITE);
    if (!output)
        return std::move(output).error();
    return start_hidden_process(program, command_line,
                                ToolStreams{input->get(), output->get(), output->get()});
}

ToolOutcome wait_for_exit(HANDLE process) {
    auto exit_code = wait_for_exit_code(process);
    if (!exit_code)
        return ToolFailed{std::move(exit_code).error()};
    return ToolExited{*exit_code};
}

} // namespace

Result<std::string> find_tool(std::string_view tool_name) {
    auto folders = search_folders();
    if (!folders)
        return std::move(folders).error();
    for (const std::string& folder : *folders) {
        std::string candidate = join_path(folder, tool_name);
        if (::GetFileAttributesW(widen(candidate).c_str()) != INVALID_FILE_ATTRIBUTES)
            return candidate;
    }
    return SetupError{std::string(program_not_found)};
}

ToolOutcome run_tool(std::string_view tool_name, const std::vector<std::string>& arguments) {
    auto program = find_tool(tool_name);
    if (!program)
        return ToolFailed{std::move(program).error()};
    auto command_line = build_command_line(tool_name, arguments);
    if (!command_line)
        return ToolFailed{std::move(command_line).error()};
    auto process = start_hidden(*program, *command_line);
    if (!process)
        return ToolFailed{std::move(process).error()};
    return wait_for_exit(process->get());
}

ToolOutcome run_powershell(const std::string& command) {
    return run_tool("powershell.exe", {"-NoProfile", "-NonInteractive", "-ExecutionPolicy",
                                       "Bypass", "-Command", command});
}

} // namespace velmora
