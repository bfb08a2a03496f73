#include "support/process_run.hpp"

#include "common/command_line.hpp"
#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/text_win.hpp"

#include <algorithm>
#include <cwchar>
#include <set>
#include <stdexcept>

namespace velmora::test {
namespace {

struct Variable {
    std::wstring name;
    std::wstring value;
};

bool same_name(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::vector<Variable> current_variables() {
    std::vector<Variable> variables;
    const LPWCH block = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = block; entry && *entry; entry += std::wcslen(entry) + 1) {
        const std::wstring_view text(entry);
        const auto equals = text.find(L'=', 1); // hidden "=C:=C:\x" entries start with '='
        if (equals == std::wstring_view::npos)
            continue;
        variables.push_back(
            {std::wstring(text.substr(0, equals)), std::wstring(text.substr(equals + 1))});
    }
    if (block)
        ::FreeEnvironmentStringsW(block);
    return variables;
}

std::wstring upper(std::wstring text) {
    if (!text.empty())
        ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + " (error " + std::to_string(::GetLastError()) + ")");
}

} // namespace

std::wstring environment_block(const std::vector<EnvironmentChange>& changes) {
    std::vector<Variable> variables = current_variables();
    for (const auto& change : changes) {
        const std::wstring name = widen(change.name);
        std::erase_if(variables, [&](const Variable& v) { return same_name(v.name, name); });
        if (change.value)
            variables.push_back({name, widen(*change.value)});
    }
    // CreateProcessW expects the block sorted by name without regard to case.
    std::stable_sort(variables.begin(), variables.end(), [](const Variable& a, const Variable& b) {
        return upper(a.name) < upper(b.name);
    });
    std::wstring block;
    for (const auto& v : variables)
        block += v.name + L'=' + v.value + L'\0';
    block += L'\0';
    return block;
}

namespace {

UniqueFile inheritable(const std::string& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    UniqueFile file(::CreateFileW(widen(path).c_str(), access, FILE_SHARE_READ, &inherit,
                                  disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        fail("cannot open " + path);
    return file;
}

} // namespace

RunningProgram::RunningProgram(const RunOptions& options) {
    auto command_line = build_command_line(options.program, options.arguments);
    if (!command_line)
        throw std::runtime_error(command_line.error().message);
    std::wstring command = widen(*command_line);
    std::wstring environment = environment_block(options.environment);
    const std::string directory = options.working_directory.empty()
                                      ? std::string(parent_of(options.program))
                                      : options.working_directory;
    // A job lets a timeout end the program together with what it started.
    job_ = ::CreateJobObjectW(nullptr, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    const std::string& in = options.standard_input;
    UniqueFile streams[3];
    if (!in.empty()) {
        streams[0] = inheritable(in, GENERIC_READ, OPEN_EXISTING);
        streams[1] = inheritable(in + ".out", GENERIC_WRITE, CREATE_ALWAYS);
        streams[2] = inheritable(in + ".err", GENERIC_WRITE, CREATE_ALWAYS);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = streams[0].get();
        startup.hStdOutput = streams[1].get();
        startup.hStdError = streams[2].get();
    }
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(widen(options.program).c_str(), command.data(), nullptr, nullptr,
                          !in.empty(), CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED,
                          environment.data(), widen(directory).c_str(), &startup, &info))
        fail("cannot start " + options.program);
    process_ = info.hProcess;
    process_id_ = info.dwProcessId;
    if (job_)
        ::AssignProcessToJobObject(job_, process_);
    if (options.before_start) {
        try {
            options.before_start(process_id_);
        } catch (...) {
            ::TerminateProcess(process_, 1);
            ::CloseHandle(info.hThread);
            ::CloseHandle(process_);
            if (job_)
                ::CloseHandle(job_);
            throw;
        }
    }
    ::ResumeThread(info.hThread);
    ::CloseHandle(info.hThread);
}

RunningProgram::~RunningProgram() {
    if (wait(0ms) == std::nullopt)
        kill();
    ::CloseHandle(process_);
    if (job_)
        ::CloseHandle(job_);
}

std::optional<std::uint32_t> RunningProgram::wait(std::chrono::milliseconds timeout) {
    if (::WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    if (!::GetExitCodeProcess(process_, &code))
        fail("cannot read the exit code");
    return code;
}

void RunningProgram::kill() {
    if (job_)
        ::TerminateJobObject(job_, 1);
    ::TerminateProcess(process_, 1);
    ::WaitForSingleObject(process_, 5000);
}

RunResult run_program(const RunOptions& options) {
    RunningProgram program(options);
    RunResult result;
    std::set<HWND> read, closed;
    const auto deadline = std::chrono::steady_clock::now() + options.timeout;
    for (;;) {
        if (const auto code = program.wait(50ms)) {
            result.exit_code = *code;
            return result;
        }
        for (HWND box : message_box_windows(program.process_id(), "")) {
            if (read.insert(box).second)
                result.message_boxes.push_back(read_message_box(box));
            answer_message_box(box, IDOK);
        }
        for (const auto& kind : options.close_windows_of_class)
            for (HWND window : top_level_windows(program.process_id(), kind)) {
                if (closed.insert(window).second)
                    result.closed_windows.push_back(kind + ": " + window_text_of(window));
                ::PostMessageW(window, WM_CLOSE, 0, 0);
            }
        if (std::chrono::steady_clock::now() >= deadline) {
            program.kill();
            throw std::runtime_error(options.program + " did not end in time");
        }
    }
}

} // namespace velmora::test
