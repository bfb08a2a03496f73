// The floor of a headless install: the seven tool commands that an install
// runs, one after another and with the same arguments (the program's own
// curl_arguments and tar_arguments), and the digests of the same three
// archives in the same 1 MiB reads, with nothing else around them: no
// manifest read, no folder removed or renamed, no copy, no state file.
// What any setup program pays under the same Wine for the same work.
//
//   bench_tool_floor.exe WORK DEST MANIFEST_URL RUNTIME_URL DESKTOP_URL LAUNCHER_URL
//
// The tools are run from this program's own folder, hidden, with their
// standard streams on the null device, as the setup program runs them. Exits
// 1 when a tool fails.

#include "common/command_line.hpp"
#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/system_queries_win.hpp"
#include "common/text_win.hpp"
#include "install/digest_win.hpp"
#include "install/download.hpp"
#include "install/extract.hpp"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace velmora {
namespace {

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "bench_tool_floor: %s\n", message.c_str());
    std::exit(1);
}

std::string tool_folder() {
    auto self = own_executable_path();
    if (!self)
        fail(self.error().message);
    return std::string(parent_of(*self));
}

void run_tool(const std::string& name, const std::vector<std::string>& arguments) {
    const std::string path = join_path(tool_folder(), name);
    auto command_line = build_command_line(name, arguments);
    if (!command_line)
        fail(command_line.error().message);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const UniqueFile null_device(::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                               OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = null_device.get();
    PROCESS_INFORMATION started{};
    std::wstring wide = widen(*command_line);
    if (!::CreateProcessW(widen(path).c_str(), wide.data(), nullptr, nullptr, TRUE,
                          CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started))
        fail("cannot start " + path);
    const UniqueHandle process(started.hProcess);
    const UniqueHandle thread(started.hThread);
    DWORD exit_code = 1;
    if (::WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(process.get(), &exit_code) || exit_code != 0)
        fail(name + " failed with exit code " + std::to_string(exit_code));
}

void fetch(const std::string& url, const std::string& file) {
    run_tool("curl.exe", curl_arguments(url, file));
}

void unpack(const std::string& archive, const std::string& folder) {
    ::CreateDirectoryW(widen(folder).c_str(), nullptr);
    run_tool("tar.exe", tar_arguments(archive, folder));
}

void print_digest(const std::string& file, DigestAlgorithm algorithm) {
    auto computation = DigestComputation::start(algorithm);
    if (!computation)
        fail(computation.error().message);
    const UniqueFile input(::CreateFileW(widen(file).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                                         nullptr));
    if (!input)
        fail("cannot open " + file);
    std::vector<std::uint8_t> buffer(1024 * 1024);
    DWORD read = 0;
    while (::ReadFile(input.get(), buffer.data(), DWORD(buffer.size()), &read, nullptr) && read)
        if (!computation->update(std::span(buffer.data(), read)))
            fail("cannot hash " + file);
    auto digest = computation->finish();
    if (!digest)
        fail(digest.error().message);
    std::printf("%s %s\n", to_lower_hex(*digest).c_str(), file.c_str());
}

int run(int argc, char** argv) {
    if (argc != 7)
        fail("usage: bench_tool_floor.exe WORK DEST MANIFEST_URL RUNTIME_URL DESKTOP_URL "
             "LAUNCHER_URL");
    const std::string work = argv[1], dest = argv[2];
    ::CreateDirectoryW(widen(work).c_str(), nullptr);
    ::CreateDirectoryW(widen(dest).c_str(), nullptr);
    const std::string runtime = join_path(work, "dotnet-runtime.zip");
    const std::string desktop = join_path(work, "windowsdesktop-runtime.zip");
    const std::string launcher = join_path(work, "VelmoraLauncher.zip");
    fetch(argv[3], join_path(work, "bootstrap.json"));
    fetch(argv[4], runtime);
    print_digest(runtime, DigestAlgorithm::sha512);
    fetch(argv[5], desktop);
    print_digest(desktop, DigestAlgorithm::sha512);
    unpack(runtime, join_path(dest, "runtime"));
    unpack(desktop, join_path(dest, "runtime"));
    fetch(argv[6], launcher);
    print_digest(launcher, DigestAlgorithm::sha256);
    unpack(launcher, join_path(dest, "launcher"));
    return 0;
}

} // namespace
} // namespace velmora

int main(int argc, char** argv) {
    return velmora::run(argc, argv);
}
