#include "install/install_layout.hpp"

#include "common/path.hpp"
#include "common/text.hpp"

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

namespace {

// CON, PRN, AUX, NUL, COM0-9 and LPT0-9 (and CONIN$, CONOUT$) name devices,
// not files, whatever extension follows and in any letter case.
bool is_device_name(std::string_view text) {
    std::string_view base = text.substr(0, text.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    for (const std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (ascii_iequals(base, device))
            return true;
    const std::string_view port = base.substr(0, 3);
    return base.size() == 4 && (ascii_iequals(port, "COM") || ascii_iequals(port, "LPT")) &&
           base[3] >= '0' && base[3] <= '9';
}

} // namespace

bool is_plain_name(std::string_view text) {
    if (text.empty() || text == "." || text == ".." || text.back() == '.' || text.back() == ' ' ||
        is_device_name(text))
        return false;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

} // namespace velmora
