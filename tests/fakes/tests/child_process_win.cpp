#include "child_process_win.hpp"

#include "common/command_line.hpp"
#include "process/launch_process_win.hpp"

#include <windows.h>

#include <stdexcept>

namespace velmora::test {

namespace {

template <class T> T checked(Result<T> result) {
    if (!result)
        throw std::runtime_error(result.error().message);
    return std::move(*result);
}

// A pipe whose one end, for the child, is inheritable.
UniqueHandle pipe_end_for_child(UniqueHandle& own_end, bool child_reads) {
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!::CreatePipe(&read_end, &write_end, nullptr, 0))
        throw std::runtime_error("CreatePipe");
    own_end.reset(child_reads ? write_end : read_end);
    const HANDLE child_end = child_reads ? read_end : write_end;
    ::SetHandleInformation(child_end, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return UniqueHandle(child_end);
}

} // namespace

// Started by the program's own launch_process, as a tool is.
Child::Child(const std::string& program, const std::vector<std::string>& arguments,
             bool hold_stdin) {
    const UniqueHandle output = pipe_end_for_child(stdout_reader_, false);
    const UniqueFile null_input = checked(open_null_device(GENERIC_READ));
    const UniqueHandle input =
        hold_stdin ? pipe_end_for_child(stdin_writer_, true) : UniqueHandle();
    const StandardStreams streams{hold_stdin ? input.get() : null_input.get(), output.get(),
                                  output.get()};
    process_ = checked(launch_process({program, checked(build_command_line(program, arguments)),
                                       streams, nullptr, std::nullopt}));
}

bool Child::running() const {
    return ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

ChildResult Child::finish() {
    ChildResult result;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(stdout_reader_.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        result.output.append(buffer, read);
    result.exit_code = checked(wait_for_exit_code(process_.get()));
    return result;
}

ChildResult run(const std::string& program, const std::vector<std::string>& arguments) {
    return Child(program, arguments).finish();
}

} // namespace velmora::test
