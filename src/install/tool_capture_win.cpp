#include "install/tool_capture_win.hpp"

#include "common/command_line.hpp"
#include "common/handle_win.hpp"
#include "common/system_error_win.hpp"
#include "common/text_win.hpp"
#include "install/process_runner_win.hpp"

#include <windows.h>

#include <array>
#include <memory>
#include <optional>

namespace velmora {
namespace {

constexpr std::size_t handed_down = 3; // stdin, stdout, stderr

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

// The null device for reading: the tool's reads end at once.
Result<UniqueFile> open_empty_input() {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    UniqueFile file(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inherit, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return last_system_error();
    return file;
}

// Names exactly the handles the tool may inherit, so that no other
// inheritable handle of this program (another tool's pipe, say) leaks into it
// and keeps a pipe open after the tool has ended.
class HandleList {
  public:
    static Result<std::unique_ptr<HandleList>> create(std::array<HANDLE, handed_down> handles) {
        auto list = std::unique_ptr<HandleList>(new HandleList(handles));
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        list->storage_ = std::make_unique<std::byte[]>(size);
        if (!::InitializeProcThreadAttributeList(list->get(), 1, 0, &size))
            return last_system_error();
        list->initialized_ = true;
        if (!::UpdateProcThreadAttribute(list->get(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                         list->handles_.data(), sizeof list->handles_, nullptr,
                                         nullptr))
            return last_system_error();
        return list;
    }
    HandleList(const HandleList&) = delete;
    HandleList& operator=(const HandleList&) = delete;
    ~HandleList() {
        if (initialized_)
            ::DeleteProcThreadAttributeList(get());
    }

    LPPROC_THREAD_ATTRIBUTE_LIST get() const {
        return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.get());
    }

  private:
    explicit HandleList(std::array<HANDLE, handed_down> handles) : handles_(handles) {}

    std::array<HANDLE, handed_down> handles_; // the attribute points here
    std::unique_ptr<std::byte[]> storage_;
    bool initialized_ = false;
};

struct Started {
    UniqueHandle process;
    UniqueHandle output;
    UniqueHandle errors;
};

// Starts the tool hidden; the parent's copies of the child's ends are closed
// before this returns, so each pipe ends when the tool (and whatever
// inherited from it) has closed its end.
Result<Started> start_captured(const std::string& program, const std::string& command_line) {
    auto input = open_empty_input();
    if (!input)
        return std::move(input).error();
    auto output = create_output_pipe();
    if (!output)
        return std::move(output).error();
    auto errors = create_output_pipe();
    if (!errors)
        return std::move(errors).error();
    auto inherit =
        HandleList::create({input->get(), output->write_end.get(), errors->write_end.get()});
    if (!inherit)
        return std::move(inherit).error();

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = input->get();
    startup.StartupInfo.hStdOutput = output->write_end.get();
    startup.StartupInfo.hStdError = errors->write_end.get();
    startup.lpAttributeList = (*inherit)->get();

    const std::wstring application = widen(program);
    std::wstring arguments = widen(command_line); // CreateProcessW may write to it
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(application.c_str(), arguments.data(), nullptr, nullptr, TRUE,
                          CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                          &startup.StartupInfo, &process))
        return last_system_error();
    UniqueHandle thread(process.hThread); // not needed: closed at once
    return Started{UniqueHandle(process.hProcess), std::move(output->read_end),
                   std::move(errors->read_end)};
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
    if (!output_text)
        return std::move(output_text).error();
    if (!*error_reader->text)
        return std::move(*error_reader->text).error();
    return std::pair{std::move(*output_text), std::move(**error_reader->text)};
}

} // namespace

Result<CapturedRun> capture_tool(std::string_view tool_name,
                                 const std::vector<std::string>& arguments) {
    auto program = find_tool(tool_name);
    if (!program)
        return std::move(program).error();
    auto command_line = build_command_line(tool_name, arguments);
    if (!command_line)
        return std::move(command_line).error();
    auto started = start_captured(*program, *command_line);
    if (!started)
        return std::move(started).error();
    auto streams = read_both(started->output.get(), started->errors.get());
    if (!streams)
        return std::move(streams).error();
    if (::WaitForSingleObject(started->process.get(), INFINITE) != WAIT_OBJECT_0)
        return last_system_error();
    DWORD exit_code = 0;
    if (!::GetExitCodeProcess(started->process.get(), &exit_code))
        return last_system_error();
    return CapturedRun{exit_code, std::move(streams->first), std::move(streams->second)};
}

} // namespace velmora
