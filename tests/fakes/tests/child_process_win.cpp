#include "child_process_win.hpp"

#include "file_io_win.hpp"

#include "common/command_line.hpp"
#include "common/environment_win.hpp"
#include "common/path.hpp"
#include "files/path_exists_win.hpp"
#include "common/text_win.hpp"

#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>

namespace velmora::test {

namespace {

std::string own_folder() {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::string(parent_of(narrow(std::wstring_view(path, length))));
}

void remove_tree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (find) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree(path);
            else
                ::DeleteFileW(path.c_str());
        } while (::FindNextFileW(find.get(), &found));
    }
    ::RemoveDirectoryW(folder.c_str());
}

UniqueHandle inheritable(HANDLE handle) {
    ::SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return UniqueHandle(handle);
}

} // namespace

std::string stand_in(const std::string& name) {
    return join_path(join_path(parent_of(own_folder()), "stand-ins"), name);
}

std::string build_path(const std::string& relative) {
    return join_path(parent_of(own_folder()), relative);
}

std::string scratch_path() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    return join_path(narrow(temp),
                     std::string("standin-") + info->test_suite_name() + "." + info->name());
}

std::string scratch_folder() {
    const std::string folder = scratch_path();
    remove_tree(widen(folder));
    make_folder(folder);
    return folder;
}

void make_folder(const std::string& path) {
    if (!::CreateDirectoryW(widen(path).c_str(), nullptr))
        throw std::runtime_error("cannot create " + path);
}

void remove_file(const std::string& path) {
    ::DeleteFileW(widen(path).c_str());
}

std::string read_file(const std::string& path) {
    auto text = read_whole_file(path);
    if (!text)
        throw std::runtime_error(path + ": " + text.error().message);
    return *text;
}

void write_file(const std::string& path, const std::string& bytes) {
    if (auto written = write_whole_file(path, bytes); !written)
        throw std::runtime_error(path + ": " + written.error().message);
}

bool exists(const std::string& path) {
    return path_exists(path);
}

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

ScopedVariable::ScopedVariable(const std::wstring& name, const std::optional<std::string>& value)
    : name_(name), old_(environment_variable(name)) {
    ::SetEnvironmentVariableW(name.c_str(), value ? widen(*value).c_str() : nullptr);
}

ScopedVariable::~ScopedVariable() {
    ::SetEnvironmentVariableW(name_.c_str(), old_ ? old_->c_str() : nullptr);
}

} // namespace velmora::test
