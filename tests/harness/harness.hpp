#pragma once
// What black-box tests share: where the build put the program under test and
// the stand-in tools.

#include <string>

namespace velmora::test {

// build/windows, one folder above the test programs.
std::string build_directory();

// build/windows/VelmoraSetup.exe
std::string program_under_test();

} // namespace velmora::test
