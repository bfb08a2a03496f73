#include "install/install_layout.hpp"

#include "common/path.hpp"
#include "common/product.hpp"

namespace velmora {

std::string InstallLayout::data_directory() const {
    return join_path(root, product_name);
}

std::string InstallLayout::state_file() const {
    return join_path(join_path(data_directory(), "state"), "bootstrap.json");
}

std::string InstallLayout::runtime_directory(std::string_view dotnet_version) const {
    return join_path(join_path(data_directory(), "dotnet"), dotnet_version);
}

std::string InstallLayout::launcher_directory() const {
    return join_path(join_path(root, "Programs"), product_name);
}

std::string InstallLayout::setup_copy() const {
    return join_path(launcher_directory(), launch_file_name);
}

std::string InstallLayout::error_report() const {
    return join_path(root, error_report_file_name);
}

std::string desktop_framework_directory(std::string_view runtime_directory,
                                        std::string_view dotnet_version) {
    return join_path(
        join_path(join_path(runtime_directory, "shared"), "Microsoft.WindowsDesktop.App"),
        dotnet_version);
}

std::string work_directory_name(std::uint32_t pid) {
    return "VelmoraSetup-" + std::to_string(pid);
}

std::string launcher_archive_name(std::string_view launcher_version) {
    return "VelmoraLauncher-" + std::string(launcher_version) + ".zip";
}

std::string staging_directory_for(std::string_view runtime_directory, std::uint32_t pid) {
    const std::string_view name = file_name_of(runtime_directory);
    std::string result(runtime_directory);
    const auto dot = name.rfind('.');
    if (dot != std::string_view::npos && dot != 0)
        result.resize(result.size() - (name.size() - dot - 1));
    else
        result += '.';
    return result + "staging-" + std::to_string(pid);
}

} // namespace velmora
