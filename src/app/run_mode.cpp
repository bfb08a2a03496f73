#include "app/run_mode.hpp"

#include "common/text.hpp"
#include "common/texts.hpp"

namespace velmora {
RunMode choose_run_mode(const std::vector<std::string>& arguments, std::string_view own_file_name) {
    const std::string_view first = arguments.size() > 1 ? std::string_view(arguments[1]) : "";
    if (first == "--install-headless")
        return RunMode::headless_install;
    if (first == "--apply-launcher-update")
        return RunMode::launcher_update;
    if (first == "--launch" || ascii_iequals(own_file_name, setup_copy_file_name))
        return RunMode::launch;
    return RunMode::interactive;
}

} // namespace velmora
