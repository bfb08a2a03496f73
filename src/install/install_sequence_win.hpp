#pragma once
// The install sequence: brings the installation to what the setup manifest
// describes, or stops at the first failure without undoing anything.

#include "common/setup_error.hpp"
#include "install/install_layout.hpp"
#include "install/progress.hpp"

#include "common/handle_win.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace velmora {

// Everything one install run depends on, settled once at its start: the
// only place where a run reads its surroundings (the install root, the
// temporary folder, this process's id, the manifest's URL).
struct InstallRun {
    InstallLayout layout;
    std::string temp;         // the user's temporary folder
    std::string work;         // temp \ VelmoraSetup-<pid>
    std::uint32_t pid = 0;    // names the run's own folders
    std::string manifest_url; // VELMORA_BOOTSTRAP_URL or the product's own
    ProgressSink* progress = nullptr;
};

// One setup at a time per install root: the lock, held until the handle
// closes (at the latest when the process ends); nullopt when another setup
// holds it.
Result<std::optional<UniqueHandle>> take_install_lock(const InstallLayout& layout);

// The run for the layout, told to `progress`.
Result<InstallRun> prepare_install_run(InstallLayout layout, ProgressSink& progress);

// The sequence of one run; tells its sink each stage as it begins.
Status run_install(const InstallRun& run);

// Settles the run for the layout, then runs it.
Status run_install(const InstallLayout& layout, ProgressSink& progress);

// The install worker's body: runs the install into install_layout(), then
// tells `progress` how it ended.
void run_install_worker(ProgressSink& progress);

} // namespace velmora
