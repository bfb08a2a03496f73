#include "install/install_layout.hpp"

#include "common/path.hpp"

namespace velmora {

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

bool is_plain_name(std::string_view text) {
    if (text.empty() || text == "." || text == ".." || text.back() == '.' || text.back() == ' ')
        return false;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

} // namespace velmora
