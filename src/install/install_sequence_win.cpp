#include "install/install_sequence_win.hpp"

#include "common/path.hpp"
#include "common/system_queries_win.hpp"
#include "files/copy_self_win.hpp"
#include "files/file_system_win.hpp"
#include "install/download_win.hpp"
#include "install/extract_win.hpp"
#include "install/install_layout.hpp"
#include "install/manifest_fetch_win.hpp"
#include "install/state_file_win.hpp"
#include "process/process_exists_win.hpp"

#include <windows.h>

namespace velmora {
namespace {

Status remove_if_present(const std::string& path) {
    return entry_exists(path) ? remove_tree(path) : Status{};
}

bool runtime_installed(const std::string& runtime_directory, const std::string& version) {
    return path_exists(join_path(runtime_directory, "dotnet.exe")) &&
           path_exists(desktop_framework_directory(runtime_directory, version));
}

Status fetch_checked(const std::string& url, const std::string& file, std::uint64_t size,
                     const std::string& digest, bool sha512) {
    VELMORA_TRY(download_file(url, file));
    return verify_download(file, size, digest, sha512);
}

Status install_runtime(const BootstrapManifest& manifest, const std::string& work,
                       const std::string& runtime_directory, std::uint32_t pid,
                       ProgressSink& progress) {
    progress.stage_begun(ProgressStage::downloading_runtime);
    const std::string runtime_archive = join_path(work, "dotnet-runtime.zip");
    const std::string desktop_archive = join_path(work, "windowsdesktop-runtime.zip");
    VELMORA_TRY(fetch_checked(manifest.dotnetUrl, runtime_archive, manifest.dotnetSize,
                              manifest.dotnetSha512, true));
    VELMORA_TRY(fetch_checked(manifest.dotnetDesktopUrl, desktop_archive,
                              manifest.dotnetDesktopSize, manifest.dotnetDesktopSha512, true));

    progress.stage_begun(ProgressStage::installing_runtime);
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

Result<std::string> install_launcher(const BootstrapManifest& manifest, const InstallLayout& layout,
                                     const std::string& work, ProgressSink& progress) {
    progress.stage_begun(ProgressStage::downloading_launcher);
    const std::string archive = join_path(work, launcher_archive_name(manifest.launcherVersion));
    VELMORA_TRY(fetch_checked(manifest.launcherUrl, archive, manifest.launcherSize,
                              manifest.launcherSha256, false));

    progress.stage_begun(ProgressStage::installing_launcher);
    const std::string launcher_directory = layout.launcher_directory();
    VELMORA_TRY(create_directories(launcher_directory));
    VELMORA_TRY(extract_archive(archive, launcher_directory));
    VELMORA_TRY(copy_running_executable(layout.setup_copy()));
    return launcher_directory;
}

Status install_into(const InstallLayout& layout, const std::string& work, std::uint32_t pid,
                    ProgressSink& progress) {
    VELMORA_TRY(remove_if_present(work));
    VELMORA_TRY(create_directories(work));
    progress.stage_begun(ProgressStage::checking_release);
    VELMORA_TRY_ASSIGN(const BootstrapManifest manifest, fetch_manifest(work));
    const std::string runtime_directory = layout.runtime_directory(manifest.dotnetVersion);
    if (!runtime_installed(runtime_directory, manifest.dotnetVersion))
        VELMORA_TRY(install_runtime(manifest, work, runtime_directory, pid, progress));
    VELMORA_TRY_ASSIGN(std::string launcher_directory,
                       install_launcher(manifest, layout, work, progress));
    return write_state(BootstrapState{runtime_directory, std::move(launcher_directory)});
}

// Removes, as far as it can, the folders below `parent` whose name names an
// owner for which `doomed` holds.
template <class Owner, class Doomed>
void remove_owned_folders(const std::string& parent, Owner owner_of, Doomed doomed) {
    for (const std::string& name : directory_names(parent))
        if (const auto owner = owner_of(name); owner && doomed(*owner))
            (void)remove_tree(join_path(parent, name));
}

// Setups killed before they could clean up leave archives and half-unpacked
// runtimes of hundreds of megabytes; a running setup's folders are its own.
void remove_leftovers_of_ended_setups(const std::string& temp, const InstallLayout& layout) {
    const auto ended = [](std::uint32_t owner) { return !process_exists(owner); };
    remove_owned_folders(temp, work_directory_owner, ended);
    remove_owned_folders(layout.runtimes_directory(), staging_directory_owner, ended);
}

} // namespace

Status run_install(ProgressSink& progress) {
    // The root first: without one there is nothing to install into.
    VELMORA_TRY_ASSIGN(const InstallLayout layout, install_layout());
    VELMORA_TRY_ASSIGN(const std::string temp, temp_directory());
    const auto pid = static_cast<std::uint32_t>(::GetCurrentProcessId());
    remove_leftovers_of_ended_setups(temp, layout);
    const std::string work = join_path(temp, work_directory_name(pid));
    const Status installed = install_into(layout, work, pid, progress);
    // Succeeded or not, the run's own folders go: a retry after a full disk
    // must not find less room. What cannot be removed now is harmless, and the
    // next run removes it.
    (void)remove_if_present(work);
    remove_owned_folders(layout.runtimes_directory(), staging_directory_owner,
                         [pid](std::uint32_t owner) { return owner == pid; });
    return installed;
}

void run_install_worker(ProgressSink& progress) {
    progress.install_ended(run_install(progress));
}

} // namespace velmora
