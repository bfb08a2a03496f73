#include "install/hidden_process_win.hpp"

#include "common/inherit_list_win.hpp"
#include "common/system_error_win.hpp"
#include "common/text_win.hpp"

#include <algorithm>
#include <vector>

namespace velmora {
namespace {

// Each handle once: one handle may serve as both output and error.
std::vector<HANDLE> distinct(const ToolStreams& streams) {
    std::vector<HANDLE> handles{streams.input, streams.output, streams.error};
    std::sort(handles.begin(), handles.end());
    handles.erase(std::unique(handles.begin(), handles.end()), handles.end());
    return handles;
}

} // namespace

Result<UniqueFile> open_null_device(DWORD access) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    UniqueFile file(::CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                  OPEN_EXISTING, 0, nullptr));
    if (!file)
        return last_system_error();
    return file;
}

Result<UniqueHandle> start_hidden_process(const std::string& program,
                                          const std::string& command_line,
                                          const ToolStreams& streams) {
    auto inherit = InheritList::create(distinct(streams));
    if (!inherit)
        return std::move(inherit).error();

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = streams.input;
    startup.StartupInfo.hStdOutput = streams.output;
    startup.StartupInfo.hStdError = streams.error;
    startup.lpAttributeList = (*inherit)->get();

    const std::wstring application = widen(program);
    std::wstring arguments = widen(command_line); // CreateProcessW may write to it
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(application.c_str(), arguments.data(), nullptr, nullptr, TRUE,
                          CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                          &startup.StartupInfo, &process))
        return last_system_error();
    UniqueHandle thread(process.hThread); // not needed: closed at once
    return UniqueHandle(process.hProcess);
}

Result<std::uint32_t> wait_for_exit_code(HANDLE process) {
    if (::WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0)
        return last_system_error();
    DWORD exit_code = 0;
    if (!::GetExitCodeProcess(process, &exit_code))
        return last_system_error();
    return static_cast<std::uint32_t>(exit_code);
}

} // namespace velmora
