#pragma once
// Running a stand-in the way the setup program runs a tool, for its tests.

#include "common/handle_win.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::test {

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

} // namespace velmora::test
