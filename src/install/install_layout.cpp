#include "install/install_layout.hpp"

#include "common/path.hpp"
#include "common/text.hpp"
#include "common/texts.hpp"

namespace velmora {
namespace {

constexpr std::string_view staging_prefix = "staging-";

} // namespace

std::string InstallLayout::data_directory() const {
    return join_path(root, product_name);
}

std::string InstallLayout::state_file() const {
    return join_path(join_path(data_directory(), "state"), "bootstrap.json");
}

std::string InstallLayout::runtimes_directory() const {
    return join_path(data_directory(), "dotnet");
}

std::string InstallLayout::runtime_directory(std::string_view dotnet_version) const {
    return join_path(runtimes_directory(), dotnet_version);
}

std::string InstallLayout::launcher_directory() const {
    return join_path(join_path(root, "Programs"), product_name);
}

std::string InstallLayout::setup_copy() const {
    return join_path(launcher_directory(), setup_copy_file_name);
}

std::string InstallLayout::error_report() const {
    return join_path(root, error_report_file_name);
}

std::string InstallLayout::lock_name() const {
    // Object names may not hold a backslash, and a path may be longer than
    // a name may be: the name carries a hash (FNV-1a, 64 bits) of the root.
    std::string_view text = root;
    while (text.size() > 1 && (text.back() == '\\' || text.back() == '/'))
        text.remove_suffix(1);
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        hash = (hash ^ static_cast<unsigned char>(c == '/' ? '\\' : c)) * 1099511628211ull;
    }
    static constexpr char digits[] = "0123456789abcdef";
    std::string name(install_lock_prefix);
    for (int shift = 60; shift >= 0; shift -= 4)
        name += digits[(hash >> shift) & 0xF];
    return name;
}

std::string desktop_framework_directory(std::string_view runtime_directory,
                                        std::string_view dotnet_version) {
    return join_path(
        join_path(join_path(runtime_directory, "shared"), "Microsoft.WindowsDesktop.App"),
        dotnet_version);
}

std::string work_directory_name(std::uint32_t pid) {
    return std::string(work_directory_prefix) + std::to_string(pid);
}

std::optional<std::uint32_t> work_directory_owner(std::string_view name) {
    if (name.size() <= work_directory_prefix.size() ||
        !ascii_iequals(name.substr(0, work_directory_prefix.size()), work_directory_prefix))
        return std::nullopt;
    return parse_written_process_id(name.substr(work_directory_prefix.size()));
}

std::optional<std::uint32_t> staging_directory_owner(std::string_view name) {
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return std::nullopt;
    const std::string_view extension = name.substr(dot + 1);
    if (extension.size() <= staging_prefix.size() ||
        !ascii_iequals(extension.substr(0, staging_prefix.size()), staging_prefix))
        return std::nullopt;
    return parse_written_process_id(extension.substr(staging_prefix.size()));
}

std::string launcher_archive_name(std::string_view launcher_version) {
    return std::string(launcher_archive_prefix) + std::string(launcher_version) + ".zip";
}

std::string staging_directory_for(std::string_view runtime_directory, std::uint32_t pid) {
    const std::string_view name = file_name_of(runtime_directory);
    std::string result(runtime_directory);
    const auto dot = name.rfind('.');
    if (dot != std::string_view::npos && dot != 0)
        result.resize(result.size() - (name.size() - dot - 1));
    else
        result += '.';
    return result + std::string(staging_prefix) + std::to_string(pid);
}

} // namespace velmora
