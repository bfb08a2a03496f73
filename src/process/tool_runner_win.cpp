#include "process/tool_runner_win.hpp"

#include "common/command_line.hpp"
#include "common/path.hpp"
#include "common/system_error_win.hpp"
#include "common/system_queries_win.hpp"
#include "common/text_win.hpp"
#include "common/texts.hpp"
#include "process/launch_process_win.hpp"
#include "process/powershell.hpp"
#include "process/search_path.hpp"

#include <windows.h>

#include <array>
#include <memory>

namespace velmora {
namespace {

// A folder that the system reports through a GetSystemDirectoryW-like call.
template <class Query> Result<std::string> system_folder(Query query) {
    return text_until_it_fits([query](wchar_t* buffer, std::size_t size) {
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

// A tool found and its command line built.
struct ToolCommand {
    std::string program; // full path
    std::string command_line;
    std::optional<std::string> working_directory; // none: this program's own
};

Result<ToolCommand> prepare_tool(const ToolRequest& request) {
    VELMORA_TRY_ASSIGN(std::string program, find_tool(request.tool));
    VELMORA_TRY_ASSIGN(std::string command_line,
                       build_command_line(request.tool, request.arguments));
    return ToolCommand{std::move(program), std::move(command_line), request.working_directory};
}

Result<UniqueHandle> start_tool(const ToolCommand& command, const StandardStreams& streams) {
    return launch_process({.program = command.program,
                           .command_line = command.command_line,
                           .streams = streams,
                           .environment = nullptr,
                           .working_directory = command.working_directory,
                           .in_tools_job = true});
}

// Our copies of the null device close as soon as the child runs: only the
// tool holds it then.
Result<UniqueHandle> start_on_null_device(const ToolCommand& command) {
    VELMORA_TRY_ASSIGN(const UniqueFile input, open_null_device(GENERIC_READ));
    VELMORA_TRY_ASSIGN(const UniqueFile output, open_null_device(GENERIC_WRITE));
    return start_tool(command, {input.get(), output.get(), output.get()});
}

Result<std::uint32_t> run_to_end(const ToolRequest& request) {
    VELMORA_TRY_ASSIGN(const ToolCommand command, prepare_tool(request));
    VELMORA_TRY_ASSIGN(const UniqueHandle process, start_on_null_device(command));
    return wait_for_exit_code(process.get());
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

// The parent's end of a pipe and the child's end, which alone is inheritable.
struct Pipe {
    UniqueHandle read_end;
    UniqueHandle write_end;
};

Result<Pipe> create_output_pipe() {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Pipe pipe;
    VELMORA_WIN32(::CreatePipe(pipe.read_end.put(), pipe.write_end.put(), &inherit, 0));
    VELMORA_WIN32(::SetHandleInformation(pipe.read_end.get(), HANDLE_FLAG_INHERIT, 0));
    return pipe;
}

struct Started {
    UniqueHandle process;
    UniqueHandle output;
    UniqueHandle errors;
};

// Starts the tool hidden; the parent's copies of the child's ends are closed
// before this returns, so each pipe ends when the tool (and whatever
// inherited from it) has closed its end.
Result<Started> start_captured(std::string_view tool_name,
                               const std::vector<std::string>& arguments) {
    VELMORA_TRY_ASSIGN(const ToolCommand command,
                       prepare_tool({std::string(tool_name), arguments, std::nullopt, {}}));
    VELMORA_TRY_ASSIGN(const UniqueFile input, open_null_device(GENERIC_READ));
    VELMORA_TRY_ASSIGN(Pipe output, create_output_pipe());
    VELMORA_TRY_ASSIGN(Pipe errors, create_output_pipe());
    VELMORA_TRY_ASSIGN(
        UniqueHandle process,
        start_tool(command, {input.get(), output.write_end.get(), errors.write_end.get()}));
    return Started{std::move(process), std::move(output.read_end), std::move(errors.read_end)};
}

// Reads until the writers have all closed the pipe.
Result<std::string> read_to_end(HANDLE pipe) {
    std::string bytes;
    std::array<char, 64 * 1024> chunk;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(pipe, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr)) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_BROKEN_PIPE)
                return bytes;
            return system_error(error);
        }
        bytes.append(chunk.data(), got);
    }
}

// Standard error's reader, run on a thread of its own.
struct ErrorReader {
    HANDLE pipe;
    std::optional<Result<std::string>> text;

    static DWORD WINAPI run(void* context) {
        auto* reader = static_cast<ErrorReader*>(context);
        reader->text.emplace(read_to_end(reader->pipe));
        return 0;
    }
};

// Both pipes are drained at the same time: a tool that fills one pipe while
// this side waits on the other would otherwise block for good.
Result<std::pair<std::string, std::string>> read_both(HANDLE output, HANDLE errors) {
    auto error_reader = std::make_unique<ErrorReader>(errors, std::nullopt);
    UniqueHandle thread(
        ::CreateThread(nullptr, 0, ErrorReader::run, error_reader.get(), 0, nullptr));
    if (!thread)
        return last_system_error();
    auto output_text = read_to_end(output);
    if (::WaitForSingleObject(thread.get(), INFINITE) != WAIT_OBJECT_0) {
        const SetupError failure = last_system_error();
        error_reader.release(); // the thread may still write to it: left to the process
        return failure;
    }
    VELMORA_TRY_ASSIGN(std::string output_bytes, std::move(output_text));
    VELMORA_TRY_ASSIGN(std::string error_bytes, std::move(*error_reader->text));
    return std::pair{std::move(output_bytes), std::move(error_bytes)};
}

} // namespace

Result<std::string> find_tool(std::string_view tool_name) {
    VELMORA_TRY_ASSIGN(const auto folders, search_folders());
    for (const std::string& folder : folders) {
        std::string candidate = join_path(folder, tool_name);
        if (entry_exists(candidate))
            return candidate;
    }
    return SetupError{std::string(program_not_found_message)};
}

ToolOutcome run_tool(const ToolRequest& request) {
    auto exit_code = run_to_end(request);
    if (!exit_code)
        return ToolFailed{std::move(exit_code).error()};
    return ToolExited{*exit_code};
}

ToolOutcome run_powershell(const std::string& command) {
    return run_tool({"powershell.exe", powershell_arguments(command), std::nullopt, {}});
}

Status run_with_fallback(const ToolRequest& request, const PowerShellFallback& fallback) {
    if (delivered(run_tool(request), request.output_file))
        return {};
    return outcome_status(run_powershell(fallback.command), fallback.texts);
}

Result<CapturedRun> capture_tool(std::string_view tool_name,
                                 const std::vector<std::string>& arguments) {
    VELMORA_TRY_ASSIGN(const Started started, start_captured(tool_name, arguments));
    VELMORA_TRY_ASSIGN(auto streams, read_both(started.output.get(), started.errors.get()));
    VELMORA_TRY_ASSIGN(const std::uint32_t exit_code, wait_for_exit_code(started.process.get()));
    return CapturedRun{exit_code, std::move(streams.first), std::move(streams.second)};
}

} // namespace velmora
