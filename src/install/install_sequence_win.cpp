#include "install/install_sequence_win.hpp"

#include "common/path.hpp"
#include "common/path_exists_win.hpp"
#include "common/system_paths_win.hpp"
#include "install/copy_self_win.hpp"
#include "install/download_win.hpp"
#include "install/extract_win.hpp"
#include "install/file_system_win.hpp"
#include "install/install_layout.hpp"
#include "install/manifest_fetch_win.hpp"
#include "install/progress_win.hpp"
#include "install/remove_tree_win.hpp"
#include "install/rename_directory_win.hpp"
#include "install/state_file_win.hpp"

#include <windows.h>

namespace velmora {
namespace {

// Stops the enclosing function with the failure of a Status or Result.
#define VELMORA_TRY(expression)                                                                    \
    do {                                                                                           \
        if (auto velmora_result = (expression); !velmora_result)                                   \
            return std::move(velmora_result).error();                                              \
    } while (false)

Status remove_if_present(const std::string& path) {
    return entry_exists(path) ? remove_tree(path) : Status{};
}

bool runtime_installed(const std::string& runtime_directory, const std::string& version) {
    const std::string desktop = join_path(
        join_path(join_path(runtime_directory, "shared"), "Microsoft.WindowsDesktop.App"), version);
    return path_exists(join_path(runtime_directory, "dotnet.exe")) && path_exists(desktop);
}

Status fetch_checked(const std::string& url, const std::string& file, std::uint64_t size,
                     const std::string& digest, bool sha512) {
    VELMORA_TRY(download_file(url, file));
    return verify_download(file, size, digest, sha512);
}

Status install_runtime(const BootstrapManifest& manifest, const std::string& work,
                       const std::string& runtime_directory, std::uint32_t pid) {
    post_progress(ProgressStage::downloading_runtime);
    const std::string runtime_archive = join_path(work, "dotnet-runtime.zip");
    const std::string desktop_archive = join_path(work, "windowsdesktop-runtime.zip");
    VELMORA_TRY(fetch_checked(manifest.dotnetUrl, runtime_archive, manifest.dotnetSize,
                              manifest.dotnetSha512, true));
    VELMORA_TRY(fetch_checked(manifest.dotnetDesktopUrl, desktop_archive,
                              manifest.dotnetDesktopSize, manifest.dotnetDesktopSha512, true));

    post_progress(ProgressStage::installing_runtime);
    const std::string staging = staging_directory_for(runtime_directory, pid);
    VELMORA_TRY(remove_if_present(staging));
    VELMORA_TRY(extract_archive(runtime_archive, staging));
    VELMORA_TRY(extract_archive(desktop_archive, staging));
    if (!path_exists(join_path(staging, "dotnet.exe")))
        return SetupError{"The Microsoft runtime archive has an unexpected layout."};

    VELMORA_TRY(remove_if_present(runtime_directory));
    VELMORA_TRY(create_directories(parent_of(runtime_directory)));
    return rename_directory(staging, runtime_directory);
}

Result<std::string> install_launcher(const BootstrapManifest& manifest, const std::string& work) {
    post_progress(ProgressStage::downloading_launcher);
    const std::string archive = join_path(work, launcher_archive_name(manifest.launcherVersion));
    VELMORA_TRY(fetch_checked(manifest.launcherUrl, archive, manifest.launcherSize,
                              manifest.launcherSha256, false));

    post_progress(ProgressStage::installing_launcher);
    auto root = install_root();
    if (!root)
        return std::move(root).error();
    const std::string launcher_directory = join_path(join_path(*root, "Programs"), "Velmora");
    VELMORA_TRY(create_directories(launcher_directory));
    VELMORA_TRY(extract_archive(archive, launcher_directory));
    VELMORA_TRY(copy_running_executable(join_path(launcher_directory, "Velmora.exe")));
    return launcher_directory;
}

Status install_into(const std::string& work, std::uint32_t pid) {
    post_progress(ProgressStage::checking_release);
    auto manifest = fetch_manifest(work);
    if (!manifest)
        return std::move(manifest).error();
    auto root = install_root();
    if (!root)
        return std::move(root).error();
    const std::string runtime_directory =
        join_path(join_path(join_path(*root, "Velmora"), "dotnet"), manifest->dotnetVersion);

    if (!runtime_installed(runtime_directory, manifest->dotnetVersion))
        VELMORA_TRY(install_runtime(*manifest, work, runtime_directory, pid));
    auto launcher_directory = install_launcher(*manifest, work);
    if (!launcher_directory)
        return std::move(launcher_directory).error();
    return write_state(BootstrapState{runtime_directory, *launcher_directory});
}

} // namespace

Status run_install() {
    auto temp = temp_directory();
    if (!temp)
        return std::move(temp).error();
    const auto pid = static_cast<std::uint32_t>(::GetCurrentProcessId());
    const std::string work = join_path(*temp, work_directory_name(pid));
    VELMORA_TRY(remove_if_present(work));
    VELMORA_TRY(create_directories(work));
    VELMORA_TRY(install_into(work, pid));
    // The installation is complete; a work directory left behind is harmless.
    (void)remove_tree(work);
    return {};
}

} // namespace velmora
