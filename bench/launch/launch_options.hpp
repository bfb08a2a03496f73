#pragma once
// The launch benchmark's command line.

#include "common/setup_error.hpp"

#include <string>
#include <vector>

namespace velmora {

struct LaunchOptions {
    std::string setup;              // the setup program, run with --launch
    std::string minimal;            // the minimal program
    std::string host;               // the game host both programs start
    std::string game;               // its only argument
    std::string launcher_directory; // its working directory
    std::string dotnet_root;        // DOTNET_ROOT and DOTNET_ROOT_X64 for it
    std::string record;             // where the stand-in host records its start
    int rounds = 30;
};

// `arguments` without the program name: "--name value" pairs in any order.
// Every path option is required; --rounds is a whole number from 1.
Result<LaunchOptions> parse_launch_options(const std::vector<std::string>& arguments);

} // namespace velmora
