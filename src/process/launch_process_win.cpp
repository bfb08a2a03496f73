#include "process/launch_process_win.hpp"

#include "common/system_error_win.hpp"
#include "common/text_win.hpp"

#include <algorithm>
#include <memory>
#include <vector>

namespace velmora {
namespace {

// The one job object that holds every tool this program starts. It is killed
// when its last handle closes, which is when this program ends, however it
// ends: a closed window or a killed setup leaves no curl.exe retrying behind.
UniqueHandle create_tool_job() {
    UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job)
        return {};
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                   sizeof limits))
        return {};
    return job;
}

// Puts a process (created suspended, not yet running) into the tools' job.
// Best effort: where the system refuses (a job around this program that
// forbids nesting, or no job could be made), the tool runs outside one.
void join_tool_job(HANDLE process) {
    // Made on first use and never closed by hand: the system closes it when
    // the process ends, and that ends the tools.
    static const UniqueHandle job = create_tool_job();
    if (job)
        ::AssignProcessToJobObject(job.get(), process); // refused: the tool runs unjoined
}

// A process-thread attribute list naming exactly the handles to inherit.
class InheritList {
  public:
    explicit InheritList(std::vector<HANDLE> handles) : handles_(std::move(handles)) {}
    InheritList(const InheritList&) = delete;
    InheritList& operator=(const InheritList&) = delete;
    ~InheritList() {
        if (initialized_)
            ::DeleteProcThreadAttributeList(get());
    }

    Status initialize() {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_ = std::make_unique<std::byte[]>(size);
        VELMORA_WIN32(::InitializeProcThreadAttributeList(get(), 1, 0, &size));
        initialized_ = true;
        VELMORA_WIN32(::UpdateProcThreadAttribute(get(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                                  handles_.data(), handles_.size() * sizeof(HANDLE),
                                                  nullptr, nullptr));
        return {};
    }
    LPPROC_THREAD_ATTRIBUTE_LIST get() const {
        return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.get());
    }

  private:
    std::vector<HANDLE> handles_; // the attribute points here
    std::unique_ptr<std::byte[]> storage_;
    bool initialized_ = false;
};

// Each handle once: one handle may serve as both output and error.
std::vector<HANDLE> distinct(const StandardStreams& streams) {
    std::vector<HANDLE> handles;
    for (const HANDLE handle : {streams.input, streams.output, streams.error})
        if (handle && std::find(handles.begin(), handles.end(), handle) == handles.end())
            handles.push_back(handle);
    return handles;
}

} // namespace

Result<UniqueHandle> launch_process(const LaunchOptions& options) {
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    DWORD flags = CREATE_NO_WINDOW;
    if (options.in_tools_job)
        flags |= CREATE_SUSPENDED;
    InheritList inherit(distinct(options.streams));
    const bool inherits = options.streams.input || options.streams.output || options.streams.error;
    if (inherits) {
        VELMORA_TRY(inherit.initialize());
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = options.streams.input;
        startup.StartupInfo.hStdOutput = options.streams.output;
        startup.StartupInfo.hStdError = options.streams.error;
        startup.lpAttributeList = inherit.get();
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    }
    if (options.environment)
        flags |= CREATE_UNICODE_ENVIRONMENT;
    std::wstring command_line = widen(options.command_line); // CreateProcessW may write to it
    const std::wstring directory = widen(options.working_directory.value_or(""));
    PROCESS_INFORMATION process{};
    VELMORA_WIN32(::CreateProcessW(
        widen(options.program).c_str(), command_line.data(), nullptr, nullptr, inherits, flags,
        options.environment ? const_cast<char16_t*>(options.environment->data()) : nullptr,
        options.working_directory ? directory.c_str() : nullptr, &startup.StartupInfo, &process));
    const UniqueHandle thread(process.hThread); // needed only to resume it
    UniqueHandle child(process.hProcess);
    if (options.in_tools_job) {
        join_tool_job(child.get());
        if (::ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
            const SetupError failure = last_system_error();
            ::TerminateProcess(child.get(), 1); // never leave it suspended
            return failure;
        }
    }
    return child;
}

Result<UniqueFile> open_null_device(DWORD access) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    UniqueFile file(::CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                  OPEN_EXISTING, 0, nullptr));
    if (!file)
        return last_system_error();
    return file;
}

Result<std::uint32_t> wait_for_exit_code(HANDLE process) {
    if (::WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0)
        return last_system_error();
    DWORD exit_code = 0;
    VELMORA_WIN32(::GetExitCodeProcess(process, &exit_code));
    return static_cast<std::uint32_t>(exit_code);
}

} // namespace velmora
