#pragma once
// Choosing the run mode from the argument list and the program's file name.

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

enum class RunMode { headless_install, launcher_update, launch, interactive };

// Only element 1 is tested for a switch, byte for byte; the file name
// setup_copy_file_name (common/texts.hpp) in any ASCII case selects the
// launch mode when element 1 is neither the headless nor the update switch.
RunMode choose_run_mode(const std::vector<std::string>& arguments, std::string_view own_file_name);

} // namespace velmora
