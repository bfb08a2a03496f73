#pragma once
// Running a stand-in the way the setup program runs a tool, for its tests.

#include "common/handle_win.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::test {

// <build>\stand-ins\<name>, found from this test program's own folder.
std::string stand_in(const std::string& name);

// <build>\<relative>, for fixtures that the build writes.
std::string build_path(const std::string& relative);

// The scratch folder's name: below the temporary directory, named after the test.
std::string scratch_path();

// Makes the scratch folder fresh and empty; returns its path.
std::string scratch_folder();

void make_folder(const std::string& path);
void remove_file(const std::string& path);

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);
bool exists(const std::string& path);

struct ChildResult {
    std::uint32_t exit_code = 0;
    std::string output;
};

class Child {
  public:
    // Standard output is captured; standard input is the null device unless
    // `hold_stdin`, in which case it is a pipe kept open until close_stdin().
    Child(const std::string& program, const std::vector<std::string>& arguments,
          bool hold_stdin = false);
    bool running() const;
    void close_stdin() { stdin_writer_.reset(); }
    ChildResult finish(); // reads the output to its end, then waits

  private:
    UniqueHandle process_;
    UniqueHandle stdout_reader_;
    UniqueHandle stdin_writer_;
};

ChildResult run(const std::string& program, const std::vector<std::string>& arguments);

// Sets an environment variable for this process (and so its children) for one scope.
class ScopedVariable {
  public:
    ScopedVariable(const std::wstring& name, const std::optional<std::string>& value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    std::wstring name_;
    std::optional<std::wstring> old_;
};

} // namespace velmora::test
