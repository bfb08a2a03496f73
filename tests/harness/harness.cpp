#include "harness/harness.hpp"

#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/system_paths_win.hpp"
#include "common/text_win.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <windows.h>

#include <stdexcept>
#include <thread>

namespace velmora::test {
namespace {

[[noreturn]] void fail(std::string_view what, std::string_view path) {
    throw std::runtime_error(std::string(what) + " " + std::string(path) + " (error " +
                             std::to_string(::GetLastError()) + ")");
}

DWORD attributes(std::string_view path) {
    return ::GetFileAttributesW(widen(path).c_str());
}

} // namespace

std::string build_directory() {
    auto self = own_executable_path();
    if (!self)
        throw std::runtime_error(self.error().message);
    return std::string(parent_of(parent_of(*self)));
}

std::string program_under_test() {
    return join_path(build_directory(), "VelmoraSetup.exe");
}

std::string stand_in(std::string_view name) {
    return join_path(join_path(build_directory(), "stand-ins"), std::string(name) + ".exe");
}

std::string fresh_scratch_folder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (auto& c : name)
        if (c == '/' || c == '\\')
            c = '_';
    const std::string folder = join_path(join_path(build_directory(), "scratch"), name);
    remove_tree(folder);
    make_directories(folder);
    return folder;
}

std::string place_program(std::string_view folder, std::string_view file_name) {
    make_directories(folder);
    const std::string copy = join_path(folder, file_name);
    copy_file(program_under_test(), copy);
    return copy;
}

void place_stand_ins(std::string_view folder, const std::vector<std::string>& names) {
    make_directories(folder);
    for (const auto& name : names)
        copy_file(stand_in(name), join_path(folder, name + ".exe"));
}

bool exists(std::string_view path) {
    return attributes(path) != INVALID_FILE_ATTRIBUTES;
}

void make_directories(std::string_view path) {
    if (path.empty() || exists(path))
        return;
    const std::string_view parent = parent_of(path);
    if (!parent.empty() && parent != path)
        make_directories(parent);
    if (!::CreateDirectoryW(widen(path).c_str(), nullptr) &&
        ::GetLastError() != ERROR_ALREADY_EXISTS)
        fail("cannot create the folder", path);
}

void remove_tree(std::string_view path) {
    const DWORD found = attributes(path);
    if (found == INVALID_FILE_ATTRIBUTES)
        return;
    ::SetFileAttributesW(widen(path).c_str(),
                         FILE_ATTRIBUTE_NORMAL | (found & FILE_ATTRIBUTE_DIRECTORY));
    if (!(found & FILE_ATTRIBUTE_DIRECTORY)) {
        if (!::DeleteFileW(widen(path).c_str()))
            fail("cannot delete", path);
        return;
    }
    WIN32_FIND_DATAW entry;
    UniqueFind find(::FindFirstFileW(widen(join_path(path, "*")).c_str(), &entry));
    if (find) {
        do {
            const std::string name = narrow(entry.cFileName);
            if (name != "." && name != "..")
                remove_tree(join_path(path, name));
        } while (::FindNextFileW(find.get(), &entry));
    }
    if (!::RemoveDirectoryW(widen(path).c_str()))
        fail("cannot remove the folder", path);
}

void copy_file(std::string_view from, std::string_view to) {
    if (!::CopyFileW(widen(from).c_str(), widen(to).c_str(), FALSE))
        fail("cannot copy " + std::string(from) + " to", to);
}

void write_file(std::string_view path, std::string_view bytes) {
    make_directories(parent_of(path));
    UniqueFile file(::CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        fail("cannot create", path);
    DWORD written = 0;
    if (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) ||
        written != bytes.size())
        fail("cannot write", path);
}

std::optional<std::string> read_file(std::string_view path) {
    UniqueFile file(::CreateFileW(widen(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::nullopt;
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (::ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    return bytes;
}

bool wait_for_file(std::string_view path, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!exists(path)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

bool skips_allowed() {
    wchar_t value[4];
    const DWORD length = ::GetEnvironmentVariableW(L"VELMORA_ALLOW_SKIP", value, 4);
    return length == 1 && value[0] == L'1';
}

std::string state_file_in(std::string_view install_root) {
    return join_path(join_path(join_path(install_root, "Velmora"), "state"), "bootstrap.json");
}

void write_state_file(std::string_view install_root, std::string_view dotnet_root,
                      std::string_view launcher_directory) {
    const nlohmann::ordered_json state{{"dotnetRoot", dotnet_root},
                                       {"launcherDirectory", launcher_directory}};
    write_file(state_file_in(install_root), state.dump(2));
}

} // namespace velmora::test
