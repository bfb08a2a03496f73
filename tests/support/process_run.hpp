#pragma once
// Runs a program the way a user or another program would: its own command
// line, working directory and environment, waited for with a time limit, while
// its message boxes are read and answered so that it can end.

#include "support/message_box.hpp"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora::test {

using namespace std::chrono_literals;

// Sets (value) or removes (nullopt) one variable of the caller's environment;
// names are matched without regard to case, as Windows matches them.
struct EnvironmentChange {
    std::string name;
    std::optional<std::string> value;
};

struct RunOptions {
    std::string program;                // full path
    std::vector<std::string> arguments; // elements 1..n
    std::string working_directory;      // empty: the program's folder
    std::vector<EnvironmentChange> environment;
    std::chrono::milliseconds timeout = 60s;
    // When set, this file is standard input; output and error go to
    // <file>.out and <file>.err.
    std::string standard_input;
    // Top-level windows of these classes are recorded and sent WM_CLOSE.
    std::vector<std::string> close_windows_of_class;
    // Called with the process id while the program is created but not yet
    // running, e.g. to plant what an earlier process of that id left.
    std::function<void(DWORD)> before_start;
};

struct RunResult {
    std::uint32_t exit_code = 0;
    std::vector<MessageBoxInfo> message_boxes; // read before they were answered with OK
    std::vector<std::string> closed_windows;   // "<class>: <title>"
};

// The caller's environment block with the changes applied, sorted by name.
std::wstring environment_block(const std::vector<EnvironmentChange>& changes);

// A started program, killed with everything it started when it is still
// running on destruction.
class RunningProgram {
  public:
    explicit RunningProgram(const RunOptions& options);
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    ~RunningProgram();

    DWORD process_id() const { return process_id_; }
    // Waits up to `timeout`; the exit code, or nullopt while still running.
    std::optional<std::uint32_t> wait(std::chrono::milliseconds timeout);
    void kill();

  private:
    HANDLE process_ = nullptr;
    HANDLE job_ = nullptr;
    DWORD process_id_ = 0;
};

// Starts the program, answers each of its message boxes with OK after reading
// it, and waits for its end. On timeout the program is killed and the run
// throws std::runtime_error.
RunResult run_program(const RunOptions& options);

} // namespace velmora::test
