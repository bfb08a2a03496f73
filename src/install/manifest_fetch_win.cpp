#include "install/manifest_fetch_win.hpp"

#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/system_error_win.hpp"
#include "common/system_queries_win.hpp"
#include "common/text_win.hpp"
#include "common/texts.hpp"
#include "install/download_win.hpp"
#include "install/file_source_win.hpp"

#include <windows.h>

namespace velmora {
namespace {

Result<BootstrapManifest> read_manifest(const std::string& file) {
    UniqueFile handle(::CreateFileW(widen(file).c_str(), GENERIC_READ, share_all, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle)
        return last_system_error();
    FileSource source(handle.get());
    auto manifest = parse_manifest(source);
    if (!manifest)
        return SetupError{std::string(invalid_manifest_prefix) + manifest.error().message};
    return manifest;
}

} // namespace

std::string manifest_url() {
    const auto variable = environment_variable(L"VELMORA_BOOTSTRAP_URL");
    if (!variable)
        return choose_manifest_url(std::nullopt);
    return choose_manifest_url(std::u16string(variable->begin(), variable->end()));
}

Result<BootstrapManifest> fetch_manifest(const std::string& url,
                                         const std::string& work_directory) {
    const std::string target = join_path(work_directory, "bootstrap.json");
    VELMORA_TRY(download_file(url, target));
    VELMORA_TRY_ASSIGN(BootstrapManifest manifest, read_manifest(target));
    VELMORA_TRY(check_manifest(manifest));
    return manifest;
}

} // namespace velmora
