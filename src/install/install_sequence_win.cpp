#include "install/install_sequence_win.hpp"

#include "common/path.hpp"
#include "common/system_error_win.hpp"
#include "common/system_queries_win.hpp"
#include "common/text_win.hpp"
#include "common/texts.hpp"
#include "files/copy_self_win.hpp"
#include "files/file_system_win.hpp"
#include "install/download_win.hpp"
#include "install/extract_win.hpp"
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

// Both runtime archives are fetched before either is unpacked; they are
// unpacked into a staging folder that replaces the runtime directory whole.
Status install_runtime(const InstallRun& run, const BootstrapManifest& manifest,
                       const std::string& runtime_directory) {
    run.progress->stage_begun(ProgressStage::downloading_runtime);
    std::vector<std::string> archives;
    for (const ArchiveDownload& archive : runtime_archives(manifest)) {
        VELMORA_TRY_ASSIGN(std::string file, fetch_verified(archive, run.work));
        archives.push_back(std::move(file));
    }

    run.progress->stage_begun(ProgressStage::installing_runtime);
    const std::string staging = staging_directory_for(runtime_directory, run.pid);
    VELMORA_TRY(remove_if_present(staging));
    for (const std::string& archive : archives)
        VELMORA_TRY(extract_archive(archive, staging));
    if (!path_exists(join_path(staging, "dotnet.exe")))
        return SetupError{std::string(runtime_layout_message)};

    VELMORA_TRY(remove_if_present(runtime_directory));
    VELMORA_TRY(create_directories(parent_of(runtime_directory)));
    return rename_directory(staging, runtime_directory);
}

Status install_launcher(const InstallRun& run, const BootstrapManifest& manifest) {
    run.progress->stage_begun(ProgressStage::downloading_launcher);
    VELMORA_TRY_ASSIGN(const std::string archive,
                       fetch_verified(launcher_archive(manifest), run.work));

    run.progress->stage_begun(ProgressStage::installing_launcher);
    VELMORA_TRY(create_directories(run.layout.launcher_directory()));
    VELMORA_TRY(extract_archive(archive, run.layout.launcher_directory()));
    return copy_running_executable(run.layout.setup_copy());
}

// The recipe: manifest, runtime (unless that version is installed already),
// launcher, state file.
Status install_into_work(const InstallRun& run) {
    VELMORA_TRY(remove_if_present(run.work));
    VELMORA_TRY(create_directories(run.work));
    run.progress->stage_begun(ProgressStage::checking_release);
    VELMORA_TRY_ASSIGN(const BootstrapManifest manifest,
                       fetch_manifest(run.manifest_url, run.work));
    const std::string runtime_directory = run.layout.runtime_directory(manifest.dotnetVersion);
    if (!runtime_installed(runtime_directory, manifest.dotnetVersion))
        VELMORA_TRY(install_runtime(run, manifest, runtime_directory));
    VELMORA_TRY(install_launcher(run, manifest));
    return write_state(run.layout, {runtime_directory, run.layout.launcher_directory()});
}

// Removes, as far as it can, the folders below `parent` whose name names an
// owner that `to_remove` picks.
template <class Owner, class Pick>
void remove_owned_folders(const std::string& parent, Owner owner_of, Pick to_remove) {
    for (const std::string& name : directory_names(parent))
        if (const auto owner = owner_of(name); owner && to_remove(*owner))
            (void)remove_tree(join_path(parent, name), WhenBusy::give_up);
}

// Setups killed before they could clean up leave archives and half-unpacked
// runtimes of hundreds of megabytes; a running setup's folders are its own.
void remove_leftovers_of_ended_setups(const InstallRun& run) {
    const auto ended = [](std::uint32_t owner) { return !process_exists(owner); };
    remove_owned_folders(run.temp, work_directory_owner, ended);
    remove_owned_folders(run.layout.runtimes_directory(), staging_directory_owner, ended);
}

} // namespace

Result<std::optional<UniqueHandle>> take_install_lock(const InstallLayout& layout) {
    UniqueHandle lock(::CreateMutexW(nullptr, FALSE, widen(layout.lock_name()).c_str()));
    // Denied: an elevated setup made the lock, and holds it.
    if (!lock && ::GetLastError() == ERROR_ACCESS_DENIED)
        return std::optional<UniqueHandle>();
    if (!lock)
        return last_system_error();
    if (::GetLastError() == ERROR_ALREADY_EXISTS)
        return std::optional<UniqueHandle>();
    return std::optional<UniqueHandle>(std::move(lock));
}

Result<InstallRun> prepare_install_run(InstallLayout layout, ProgressSink& progress) {
    VELMORA_TRY_ASSIGN(std::string temp, temp_directory());
    const auto pid = static_cast<std::uint32_t>(::GetCurrentProcessId());
    std::string work = join_path(temp, work_directory_name(pid));
    return InstallRun{std::move(layout), std::move(temp), std::move(work), pid,
                      manifest_url(),    &progress};
}

Status run_install(const InstallRun& run) {
    remove_leftovers_of_ended_setups(run);
    const Status installed = install_into_work(run);
    // Succeeded or not, the run's own folders go: a retry after a full disk
    // must not find less room. What cannot be removed now is harmless, and the
    // next run removes it.
    if (entry_exists(run.work))
        (void)remove_tree(run.work, WhenBusy::give_up);
    remove_owned_folders(run.layout.runtimes_directory(), staging_directory_owner,
                         [&run](std::uint32_t owner) { return owner == run.pid; });
    return installed;
}

Status run_install(const InstallLayout& layout, ProgressSink& progress) {
    VELMORA_TRY_ASSIGN(const InstallRun run, prepare_install_run(layout, progress));
    return run_install(run);
}

void run_install_worker(ProgressSink& progress) {
    // The root first: without one there is nothing to install into.
    const Result<InstallLayout> layout = install_layout();
    progress.install_ended(layout ? run_install(*layout, progress) : Status(layout.error()));
}

} // namespace velmora
