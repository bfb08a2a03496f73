#include "child_process_win.hpp"

#include "common/command_line.hpp"
#include "common/text_win.hpp"

#include <windows.h>

#include <stdexcept>

namespace velmora::test {

namespace {

UniqueHandle inheritable(HANDLE handle) {
    ::SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return UniqueHandle(handle);
}

} // namespace

Child::Child(const std::string& program, const std::vector<std::string>& arguments,
             bool hold_stdin) {
    auto command_line = build_command_line(program, arguments);
    if (!command_line)
        throw std::runtime_error(command_line.error().message);
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!::CreatePipe(&read_end, &write_end, nullptr, 0))
        throw std::runtime_error("CreatePipe");
    stdout_reader_.reset(read_end);
    UniqueHandle child_stdout = inheritable(write_end);
    UniqueHandle child_stdin;
    if (hold_stdin) {
        if (!::CreatePipe(&read_end, &write_end, nullptr, 0))
            throw std::runtime_error("CreatePipe");
        stdin_writer_.reset(write_end);
        child_stdin = inheritable(read_end);
    } else {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        child_stdin.reset(::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                                        0, nullptr));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = child_stdin.get();
    startup.hStdOutput = child_stdout.get();
    startup.hStdError = child_stdout.get();
    PROCESS_INFORMATION info{};
    std::wstring line = widen(*command_line);
    if (!::CreateProcessW(widen(program).c_str(), line.data(), nullptr, nullptr, TRUE,
                          CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info))
        throw std::runtime_error("CreateProcessW " + program + " (error " +
                                 std::to_string(::GetLastError()) + ")");
    process_.reset(info.hProcess);
    ::CloseHandle(info.hThread);
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
    ::WaitForSingleObject(process_.get(), INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(process_.get(), &code);
    result.exit_code = code;
    return result;
}

ChildResult run(const std::string& program, const std::vector<std::string>& arguments) {
    return Child(program, arguments).finish();
}

} // namespace velmora::test
