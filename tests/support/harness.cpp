#include "support/harness.hpp"

#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/system_queries_win.hpp"
#include "common/text_win.hpp"
#include "files/file_system_win.hpp"
#include "support/file_io_win.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <windows.h>

#include <algorithm>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace velmora::test {
namespace {

[[noreturn]] void fail(std::string_view what, std::string_view path, std::string_view why) {
    throw std::runtime_error(std::string(what) + " " + std::string(path) + ": " + std::string(why));
}

[[noreturn]] void fail(std::string_view what, std::string_view path) {
    fail(what, path, "error " + std::to_string(::GetLastError()));
}

void list_into(const std::string& folder, const std::string& prefix,
               std::vector<std::string>& out) {
    WIN32_FIND_DATAW entry;
    UniqueFind find(::FindFirstFileW(widen(join_path(folder, "*")).c_str(), &entry));
    if (!find)
        return;
    do {
        const std::string name = narrow(entry.cFileName);
        if (name == "." || name == "..")
            continue;
        const std::string relative = prefix.empty() ? name : prefix + "\\" + name;
        out.push_back(relative);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            list_into(join_path(folder, name), relative, out);
    } while (::FindNextFileW(find.get(), &entry));
}

} // namespace

std::string own_folder() {
    auto self = own_executable_path();
    if (!self)
        throw std::runtime_error(self.error().message);
    return std::string(parent_of(*self));
}

std::string build_directory() {
    return std::string(parent_of(own_folder()));
}

std::string program_under_test() {
    return join_path(build_directory(), "VelmoraSetup.exe");
}

std::string stand_in(std::string_view file_name) {
    return join_path(join_path(build_directory(), "stand-ins"), file_name);
}

std::string fresh_scratch_folder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    std::replace_if(
        name.begin(), name.end(), [](char c) { return c == '/' || c == '\\'; }, '_');
    const std::string folder = join_path(join_path(build_directory(), "scratch"), name);
    remove_test_tree(folder);
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
        copy_file(stand_in(name + ".exe"), join_path(folder, name + ".exe"));
}

bool exists(std::string_view path) {
    return ::GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void make_directories(std::string_view path) {
    if (auto made = create_directories(path); !made)
        fail("cannot create the folder", path, made.error().message);
}

void remove_test_tree(std::string_view path) {
    const std::wstring wide = widen(path);
    const DWORD found = ::GetFileAttributesW(wide.c_str());
    if (found == INVALID_FILE_ATTRIBUTES)
        return;
    if (found & FILE_ATTRIBUTE_DIRECTORY) {
        if (auto removed = velmora::remove_tree(path); !removed)
            fail("cannot remove", path, removed.error().message);
        return;
    }
    ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!::DeleteFileW(wide.c_str()))
        fail("cannot delete", path);
}

void copy_file(std::string_view from, std::string_view to) {
    if (!::CopyFileW(widen(from).c_str(), widen(to).c_str(), FALSE))
        fail("cannot copy " + std::string(from) + " to", to);
}

void write_test_file(std::string_view path, std::string_view bytes) {
    make_directories(parent_of(path));
    if (auto written = write_whole_file(std::string(path), bytes); !written)
        fail("cannot write", path, written.error().message);
}

std::optional<std::string> read_file(std::string_view path) {
    auto bytes = read_whole_file(std::string(path));
    return bytes ? std::optional(std::move(*bytes)) : std::nullopt;
}

std::string must_read(std::string_view path) {
    auto bytes = read_whole_file(std::string(path));
    if (!bytes)
        fail("cannot read", path, bytes.error().message);
    return std::move(*bytes);
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

std::vector<std::string> tree_of(std::string_view folder) {
    std::vector<std::string> out;
    list_into(std::string(folder), "", out);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<LogLine> read_start_log(std::string_view path) {
    std::vector<LogLine> lines;
    std::istringstream text(read_file(path).value_or(""));
    for (std::string line; std::getline(text, line);)
        lines.push_back(nlohmann::json::parse(line).get<LogLine>());
    return lines;
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
    write_test_file(state_file_in(install_root), state.dump(2));
}

} // namespace velmora::test
