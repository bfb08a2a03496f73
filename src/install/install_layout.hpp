#pragma once
// Where an installation keeps its folders and files, and the names of what
// one install run works with.

#include "common/setup_error.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// Every path below one install root (VELMORA_TEST_ROOT or LOCALAPPDATA).
struct InstallLayout {
    std::string root;

    std::string data_directory() const;     // root\Velmora
    std::string state_file() const;         // ...\state\bootstrap.json
    std::string runtimes_directory() const; // ...\dotnet
    std::string runtime_directory(std::string_view dotnet_version) const; // ...\dotnet\<version>
    std::string launcher_directory() const;                               // root\Programs\Velmora
    std::string setup_copy() const;                                       // ...\Velmora.exe
    std::string error_report() const; // root\VelmoraSetup-error.txt
    // The name of the lock a setup holds for this root while it runs:
    // "Local\VelmoraSetup-" and 16 hex digits of the root's hash, the
    // same for spellings that differ in ASCII case or a trailing separator.
    std::string lock_name() const;
};

// Windows only. VELMORA_TEST_ROOT when present (even empty: the current
// folder), otherwise LOCALAPPDATA, made a full path; "LOCALAPPDATA is
// unavailable" when neither is present.
Result<std::string> install_root();

// The paths below install_root().
Result<InstallLayout> install_layout();

// runtime directory\shared\Microsoft.WindowsDesktop.App\<version>: with
// dotnet.exe, the marker of an installed runtime.
std::string desktop_framework_directory(std::string_view runtime_directory,
                                        std::string_view dotnet_version);

// "VelmoraSetup-<pid>", the per-run work directory's name.
std::string work_directory_name(std::uint32_t pid);

// The process id in a work directory's name ("VelmoraSetup-<pid>"); nullopt
// for any other name.
std::optional<std::uint32_t> work_directory_owner(std::string_view name);

// The process id in a staging directory's name ("<name>.staging-<pid>");
// nullopt for any other name.
std::optional<std::uint32_t> staging_directory_owner(std::string_view name);

// "VelmoraLauncher-<version>.zip"
std::string launcher_archive_name(std::string_view launcher_version);

// The runtime directory's path with the extension of its last component set
// to "staging-<pid>": everything after a last dot that is not the first
// character is replaced, otherwise ".staging-<pid>" is appended.
std::string staging_directory_for(std::string_view runtime_directory, std::uint32_t pid);

} // namespace velmora
