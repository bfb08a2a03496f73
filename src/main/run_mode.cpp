#include "main/run_mode.hpp"

#include "common/text.hpp"

namespace velmora {
namespace {

// The name under which the installed copy of the setup program runs.
constexpr std::string_view launcher_copy_name = "Velmora.exe";

} // namespace

RunMode choose_run_mode(const std::vector<std::string>& arguments, std::string_view own_file_name) {
    const std::string_view first = arguments.size() > 1 ? std::string_view(arguments[1]) : "";
    if (first == "--install-headless")
        return RunMode::HeadlessInstall;
    if (first == "--apply-launcher-update")
        return RunMode::LauncherUpdate;
    if (first == "--launch" || ascii_iequals(own_file_name, launcher_copy_name))
        return RunMode::Launch;
    return RunMode::Interactive;
}

} // namespace velmora
