#include "install/manifest_fetch_win.hpp"

#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/system_error_win.hpp"
#include "common/system_queries_win.hpp"
#include "common/text_win.hpp"
#include "install/download_win.hpp"
#include "install/file_source_win.hpp"
#include "install/install_layout.hpp"
#include "install/manifest_url.hpp"

#include <windows.h>

namespace velmora {
namespace {

std::string manifest_url() {
    const auto variable = environment_variable(L"VELMORA_BOOTSTRAP_URL");
    if (!variable)
        return choose_manifest_url(std::nullopt);
    return choose_manifest_url(std::u16string(variable->begin(), variable->end()));
}

Result<BootstrapManifest> read_manifest(const std::string& file) {
    UniqueFile handle(::CreateFileW(widen(file).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle)
        return last_system_error();
    FileSource source(handle.get());
    auto manifest = parse_manifest(source);
    if (!manifest)
        return SetupError{"Invalid setup manifest: " + manifest.error().message};
    return manifest;
}

// The versions become folder and file names below the install root and the
// work directory: anything that could name another place is refused.
Status check_names(const BootstrapManifest& manifest) {
    if (!is_plain_name(manifest.dotnetVersion))
        return SetupError{"Invalid setup manifest: `dotnetVersion` is not a valid folder name."};
    if (!is_plain_name(launcher_archive_name(manifest.launcherVersion)))
        return SetupError{"Invalid setup manifest: `launcherVersion` is not valid in a file name."};
    return {};
}

} // namespace

Result<BootstrapManifest> fetch_manifest(const std::string& work_directory) {
    const std::string target = join_path(work_directory, "bootstrap.json");
    VELMORA_TRY(download_file(manifest_url(), target));
    VELMORA_TRY_ASSIGN(BootstrapManifest manifest, read_manifest(target));
    if (manifest.schema != 1)
        return SetupError{"This setup manifest is not supported."};
    VELMORA_TRY(check_names(manifest));
    return manifest;
}

} // namespace velmora
