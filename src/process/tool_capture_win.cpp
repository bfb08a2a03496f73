#include "process/tool_capture_win.hpp"

#include "common/handle_win.hpp"
#include "common/system_error_win.hpp"
#include "common/text_win.hpp"
#include "process/tool_runner_win.hpp"

#include <windows.h>

#include <array>
#include <memory>
#include <optional>

namespace velmora {
namespace {

// The parent's end of a pipe and the child's end, which alone is inheritable.
struct Pipe {
    UniqueHandle read_end;
    UniqueHandle write_end;
};

Result<Pipe> create_output_pipe() {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Pipe pipe;
    if (!::CreatePipe(pipe.read_end.put(), pipe.write_end.put(), &inherit, 0))
        return last_system_error();
    if (!::SetHandleInformation(pipe.read_end.get(), HANDLE_FLAG_INHERIT, 0))
        return last_system_error();
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
    VELMORA_TRY_ASSIGN(const ToolCommand command, prepare_tool(tool_name, arguments));
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

Result<CapturedRun> capture_tool(std::string_view tool_name,
                                 const std::vector<std::string>& arguments) {
    VELMORA_TRY_ASSIGN(const Started started, start_captured(tool_name, arguments));
    VELMORA_TRY_ASSIGN(auto streams, read_both(started.output.get(), started.errors.get()));
    VELMORA_TRY_ASSIGN(const std::uint32_t exit_code, wait_for_exit_code(started.process.get()));
    return CapturedRun{exit_code, std::move(streams.first), std::move(streams.second)};
}

} // namespace velmora
