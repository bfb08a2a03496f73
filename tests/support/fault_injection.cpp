#include "support/fault_injection.hpp"

#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/text_win.hpp"
#include "support/harness.hpp"

#include <tlhelp32.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace velmora::test {
namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + " (error " + std::to_string(::GetLastError()) + ")");
}

bool same_name(std::wstring_view a, std::string_view b) {
    const std::wstring wide = widen(b);
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), wide.c_str(),
                                  static_cast<int>(wide.size()), TRUE) == CSTR_EQUAL;
}

std::string quoted(std::string_view unix) {
    return "'" + std::string(unix) + "'";
}

std::string must_be_unix(std::string_view path) {
    const auto unix = unix_path(path);
    if (!unix)
        throw std::runtime_error("not on the Z: drive: " + std::string(path));
    return *unix;
}

std::string next_script_name(std::string_view scratch) {
    static std::atomic<int> counter = 0;
    return join_path(scratch, "shell-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                  std::to_string(counter++));
}

} // namespace

std::string Gate::rule(std::string_view tool, std::string_view pattern) const {
    return std::string(tool) + " " + std::string(pattern) + " gate " + path_ + "\n";
}

bool Gate::wait_until_held(std::chrono::milliseconds timeout) const {
    return wait_for_file(path_ + ".waiting", timeout);
}

void Gate::open() const {
    write_test_file(path_, "");
}

std::vector<DWORD> child_processes(DWORD parent, std::string_view file_name) {
    UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        fail("cannot list the processes");
    std::vector<DWORD> found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry))
        if (entry.th32ParentProcessID == parent && same_name(entry.szExeFile, file_name))
            found.push_back(entry.th32ProcessID);
    return found;
}

bool terminate_process(DWORD process_id, UINT exit_code) {
    UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process_id));
    if (!process || !::TerminateProcess(process.get(), exit_code))
        return false;
    return ::WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0;
}

void wait_for_processes(const std::vector<DWORD>& process_ids, std::chrono::milliseconds timeout) {
    for (const DWORD id : process_ids) {
        UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, id));
        if (process && ::WaitForSingleObject(process.get(), static_cast<DWORD>(timeout.count())) !=
                           WAIT_OBJECT_0)
            throw std::runtime_error("process " + std::to_string(id) + " did not end");
    }
}

void take_away(std::string_view folder, const std::vector<std::string>& names) {
    for (const auto& name : names) {
        const std::string path = join_path(folder, name);
        if (!::MoveFileExW(widen(path).c_str(), widen(path + ".away").c_str(),
                           MOVEFILE_REPLACE_EXISTING))
            fail("cannot take away " + path);
    }
}

void put_back(std::string_view folder, const std::vector<std::string>& names) {
    for (const auto& name : names) {
        const std::string path = join_path(folder, name);
        if (exists(path + ".away") &&
            !::MoveFileExW(widen(path + ".away").c_str(), widen(path).c_str(),
                           MOVEFILE_REPLACE_EXISTING))
            fail("cannot put back " + path);
    }
}

// Wine maps its Z: drive to the Linux root.
std::optional<std::string> unix_path(std::string_view windows_path) {
    if (windows_path.size() < 3 || (windows_path[0] != 'Z' && windows_path[0] != 'z') ||
        windows_path.substr(1, 2) != ":\\")
        return std::nullopt;
    std::string path(windows_path.substr(2));
    for (auto& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

std::optional<int> run_shell(std::string_view script, std::string_view status_file,
                             std::chrono::milliseconds timeout) {
    const std::string status_unix = must_be_unix(status_file);
    const std::string file = std::string(status_file) + ".sh";
    ::DeleteFileW(widen(status_file).c_str());
    // The status is written under another name and renamed, so that a reader
    // never sees it half written.
    write_test_file(file, "(\n" + std::string(script) + "\n) >/dev/null 2>&1\necho $? > " +
                              quoted(status_unix + ".part") + "\nmv " +
                              quoted(status_unix + ".part") + " " + quoted(status_unix) + "\n");
    std::wstring command = widen("/bin/sh " + must_be_unix(file));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(L"Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                          nullptr, nullptr, &startup, &info))
        return std::nullopt;
    UniqueHandle process(info.hProcess), thread(info.hThread);
    if (!wait_for_file(status_file, timeout))
        return std::nullopt;
    const std::string text = read_file(status_file).value_or("");
    ::DeleteFileW(widen(status_file).c_str());
    ::DeleteFileW(widen(file).c_str());
    return text.empty() ? std::nullopt : std::optional<int>(std::stoi(text));
}

SmallDisks::SmallDisks(std::vector<std::string> folders, std::uint64_t bytes, std::string scratch)
    : folders_(std::move(folders)), scratch_(std::move(scratch)) {
    std::string script = "set -e\n";
    for (const auto& folder : folders_) {
        const auto unix = unix_path(folder);
        if (!unix) {
            failure_ = "not on Wine's Z: drive: " + folder;
            return;
        }
        script += "mkdir -p " + quoted(*unix) +
                  "\nmount -t tmpfs -o size=" + std::to_string(bytes) + " tmpfs " + quoted(*unix) +
                  "\n";
    }
    const auto status = run_shell(script, next_script_name(scratch_));
    if (status != 0) {
        failure_ = "mount -t tmpfs failed (status " +
                   (status ? std::to_string(*status) : std::string("unknown")) + "); it needs root";
        return;
    }
    for (const auto& folder : folders_)
        if (disk_size(folder) != bytes)
            failure_ = "the tmpfs over " + folder + " does not show its size";
}

SmallDisks::~SmallDisks() {
    std::string script;
    for (const auto& folder : folders_)
        if (const auto unix = unix_path(folder))
            script += "umount -l " + quoted(*unix) + " || true\n";
    try {
        run_shell(script, next_script_name(scratch_));
    } catch (const std::exception&) {
        // Leftovers are unmounted by the next run's release_leftovers.
    }
}

void SmallDisks::release_leftovers(std::string_view folder, std::string_view scratch) {
    const auto unix = unix_path(folder);
    if (!unix)
        return;
    run_shell("awk '{print $2}' /proc/mounts | grep '^" + *unix +
                  "/' | sort -r | while read m; do umount -l \"$m\"; done; true",
              next_script_name(scratch));
}

DWORD fill_disk(std::string_view folder) {
    const std::string path = join_path(folder, "filler.bin");
    UniqueFile file(::CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        fail("cannot create " + path);
    const std::string chunk(65536, 'f');
    // A bound, so that a folder on a real disk is never filled.
    for (std::uint64_t total = 0; total < (1ull << 30);) {
        DWORD written = 0;
        if (!::WriteFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &written,
                         nullptr))
            return ::GetLastError();
        total += written;
    }
    return ERROR_SUCCESS;
}

void free_disk(std::string_view folder) {
    const std::string path = join_path(folder, "filler.bin");
    if (exists(path) && !::DeleteFileW(widen(path).c_str()))
        fail("cannot delete " + path);
}

std::optional<std::uint64_t> disk_size(std::string_view folder) {
    ULARGE_INTEGER total{};
    std::wstring wide = widen(folder);
    if (wide.empty() || wide.back() != L'\\')
        wide += L'\\';
    if (!::GetDiskFreeSpaceExW(wide.c_str(), nullptr, &total, nullptr))
        return std::nullopt;
    return total.QuadPart;
}

} // namespace velmora::test
