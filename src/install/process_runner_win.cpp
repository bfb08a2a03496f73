#include "install/process_runner_win.hpp"

#include "common/command_line.hpp"
#include "common/environment_win.hpp"
#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/system_error_win.hpp"
#include "common/system_paths_win.hpp"
#include "common/text_win.hpp"
#include "install/tool_search.hpp"

#include <windows.h>

#include <array>
#include <memory>

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

// The null device, opened inheritable so that the tool gets it as a stream.
Result<UniqueFile> open_null_device(DWORD access) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    UniqueFile file(::CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                  OPEN_EXISTING, 0, nullptr));
    if (!file)
        return last_system_error();
    return file;
}

// A process-thread attribute list naming exactly the handles the tool may
// inherit, so that no other inheritable handle of this program leaks into it.
class InheritList {
  public:
    static Result<std::unique_ptr<InheritList>> create(std::array<HANDLE, 2> handles) {
        auto list = std::unique_ptr<InheritList>(new InheritList(handles));
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        list->storage_ = std::make_unique<std::byte[]>(size);
        const auto attributes = list->get();
        if (!::InitializeProcThreadAttributeList(attributes, 1, 0, &size))
            return last_system_error();
        list->initialized_ = true;
        if (!::UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                         list->handles_.data(), sizeof list->handles_, nullptr,
                                         nullptr))
            return last_system_error();
        return list;
    }
    InheritList(const InheritList&) = delete;
    InheritList& operator=(const InheritList&) = delete;
    ~InheritList() {
        if (initialized_)
            ::DeleteProcThreadAttributeList(get());
    }

    LPPROC_THREAD_ATTRIBUTE_LIST get() const {
        return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.get());
    }

  private:
    explicit InheritList(std::array<HANDLE, 2> handles) : handles_(handles) {}

    // The attribute refers to this array; it must live as long as the list.
    std::array<HANDLE, 2> handles_;
    std::unique_ptr<std::byte[]> storage_;
    bool initialized_ = false;
};

// Starts the program hidden with its streams on the null device; the
// returned handle is the process's.
Result<UniqueHandle> start_hidden(const std::string& program, const std::string& command_line) {
    auto input = open_null_device(GENERIC_READ);
    if (!input)
        return std::move(input).error();
    auto output = open_null_device(GENERIC_WRITE);
    if (!output)
        return std::move(output).error();
    auto inherit = InheritList::create({input->get(), output->get()});
    if (!inherit)
        return std::move(inherit).error();

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = input->get();
    startup.StartupInfo.hStdOutput = output->get();
    startup.StartupInfo.hStdError = output->get();
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

ToolOutcome wait_for_exit(HANDLE process) {
    if (::WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0)
        return ToolFailed{last_system_error()};
    DWORD exit_code = 0;
    if (!::GetExitCodeProcess(process, &exit_code))
        return ToolFailed{last_system_error()};
    return ToolExited{exit_code};
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
