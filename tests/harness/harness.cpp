#include "harness/harness.hpp"

#include "common/path.hpp"
#include "common/system_paths_win.hpp"

#include <stdexcept>

namespace velmora::test {

std::string build_directory() {
    auto self = own_executable_path();
    if (!self)
        throw std::runtime_error(self.error().message);
    return std::string(parent_of(parent_of(*self)));
}

std::string program_under_test() { return join_path(build_directory(), "VelmoraSetup.exe"); }

} // namespace velmora::test
