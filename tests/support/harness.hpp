#pragma once
// What the Windows test tiers share: where the build put the test programs,
// the program under test and the stand-in tools, a scratch folder per test,
// and the file chores around a run. Failures of the harness itself throw
// std::runtime_error, which the test framework reports as a failed test.

#include "support/tool_starts.hpp"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::test {

using namespace std::chrono_literals;

// build/windows/tests, the folder of the running test program.
std::string own_folder();

// build/windows, one folder above the test programs.
std::string build_directory();

// build/windows/VelmoraSetup.exe
std::string program_under_test();

// build/windows/stand-ins/<file_name>, e.g. stand_in("curl.exe").
std::string stand_in(std::string_view file_name);

// <build>/scratch/<suite>.<test> of the running test, removed and created
// anew. Parameterised names have their '/' replaced by '_'.
std::string fresh_scratch_folder();

// Copies the program under test into `folder` (created when missing) under
// `file_name`, and returns the copy's full path.
std::string place_program(std::string_view folder, std::string_view file_name);

// Copies the named stand-ins (e.g. "curl") into `folder` as <name>.exe.
void place_stand_ins(std::string_view folder, const std::vector<std::string>& names);

// True when there is an entry of that name, a dangling link included.
bool exists(std::string_view path);
void make_directories(std::string_view path);
// Removes the file, or the folder with everything below it; a missing one is no error.
void remove_test_tree(std::string_view path);
void copy_file(std::string_view from, std::string_view to);

// Creates the parent folders, then the file with exactly these bytes.
void write_test_file(std::string_view path, std::string_view bytes);

// The file's bytes; nullopt when it cannot be opened.
std::optional<std::string> read_file(std::string_view path);
// The file's bytes; throws when it cannot be read.
std::string must_read(std::string_view path);

// Polls every 50 ms until the path exists; false after the timeout.
bool wait_for_file(std::string_view path, std::chrono::milliseconds timeout = 20s);

// Relative paths ('\'-separated) of every file and folder below `folder`,
// sorted; empty when the folder is missing.
std::vector<std::string> tree_of(std::string_view folder);

// The stand-ins' start log, one parsed line per start; empty when missing.
std::vector<LogLine> read_start_log(std::string_view path);

// True only in a hand run that asks for it with VELMORA_ALLOW_SKIP=1: a test
// that cannot set up its fault skips then, and fails otherwise (tools/dev
// test never sets the variable).
bool skips_allowed();

// <root>\Velmora\state\bootstrap.json
std::string state_file_in(std::string_view install_root);

// Writes the state file below `install_root` in the form the installer writes.
void write_state_file(std::string_view install_root, std::string_view dotnet_root,
                      std::string_view launcher_directory);

} // namespace velmora::test
