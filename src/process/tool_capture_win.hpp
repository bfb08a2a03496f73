#pragma once
// Runs an external tool hidden, as run_tool does, but hands back what it
// printed: standard input is empty, standard output and standard error come
// back through pipes of their own.

#include "common/setup_error.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

struct CapturedRun {
    std::uint32_t exit_code = 0;
    std::string output; // standard output, bytes as written
    std::string errors; // standard error, bytes as written
};

// Finds and quotes the tool exactly as run_tool does, then waits without a
// time limit until it has ended and both streams are read to their end. The
// error is "program not found", "nul byte found in provided data" or the OS
// error of the call that failed.
Result<CapturedRun> capture_tool(std::string_view tool_name,
                                 const std::vector<std::string>& arguments);

} // namespace velmora
