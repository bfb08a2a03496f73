#pragma once
// Every text the player can see, and every file name that carries the
// product's name, declared once. The texts that hold the product's display
// name are composed from it, so that it is spelled here alone.

#include <array>
#include <string_view>

namespace velmora {

#define VELMORA_PRODUCT "Velmora"

inline constexpr std::string_view product_name = VELMORA_PRODUCT;

// The window's title and the error box's caption.
inline constexpr std::string_view setup_title = VELMORA_PRODUCT " Setup";

// Files and folders. The setup program copies itself beside the launcher
// under setup_copy_file_name; started under that name it launches the game.
inline constexpr std::string_view setup_copy_file_name = VELMORA_PRODUCT ".exe";
inline constexpr std::string_view error_report_file_name = VELMORA_PRODUCT "Setup-error.txt";
// "<prefix><pid>", the per-run work directory in the temporary folder.
inline constexpr std::string_view work_directory_prefix = VELMORA_PRODUCT "Setup-";
// "<prefix><version>.zip", the launcher archive's file name.
inline constexpr std::string_view launcher_archive_prefix = VELMORA_PRODUCT "Launcher-";
// The game itself, as the launcher archive names it: the game's own file
// name, which follows no change of the display name.
inline constexpr std::string_view game_assembly_file_name = "VelmoraGame.dll";
inline constexpr std::string_view window_class_name = VELMORA_PRODUCT "SetupWindow";

// The setup window: its labels, button and status line.
inline constexpr std::string_view window_title_text = "Install " VELMORA_PRODUCT;
inline constexpr std::string_view window_description_text =
    "The complete game client, configured automatically.";
inline constexpr std::string_view ready_status_text = "Ready to install";
inline constexpr std::string_view installed_status_text = "Installed. Ready to play.";
inline constexpr std::string_view failed_status_text = "Installation failed";
inline constexpr std::string_view install_button_text = "Install";
inline constexpr std::string_view launch_button_text = "Launch";
// The status line of install stages 1 to 5, and of any other stage. Each
// ends in U+2026, the single ellipsis character.
inline constexpr std::array<std::string_view, 5> stage_status_texts = {
    "Checking release\u2026",
    "Downloading Microsoft .NET runtime\u2026",
    "Installing private .NET runtime\u2026",
    "Downloading " VELMORA_PRODUCT " launcher\u2026",
    "Installing launcher\u2026",
};
inline constexpr std::string_view working_status_text = "Working\u2026";

inline constexpr std::string_view class_registration_failed_message =
    "Could not initialize the setup window.";
inline constexpr std::string_view window_creation_failed_message =
    "Could not open the setup window.";

// The game launch.
inline constexpr std::string_view game_not_installed_message =
    VELMORA_PRODUCT " is not installed. Run its setup first.";
inline constexpr std::string_view game_incomplete_message =
    VELMORA_PRODUCT " is incomplete. Run its setup again to repair it.";
// Followed by the reason.
inline constexpr std::string_view game_start_failure_prefix =
    "Could not start " VELMORA_PRODUCT ": ";
inline constexpr std::string_view state_damaged_prefix =
    VELMORA_PRODUCT " installation state is damaged: ";

// The launcher's update hand-off.
inline constexpr std::string_view invalid_update_request_message =
    "Invalid launcher update request.";
inline constexpr std::string_view invalid_launcher_process_id_message =
    "Invalid launcher process id.";
inline constexpr std::string_view launcher_still_running_message =
    "The launcher is still running. Close it and start the update again.";

// A command line that would hold a NUL.
inline constexpr std::string_view nul_in_data_message = "nul byte found in provided data";

// A second setup for the same install root.
inline constexpr std::string_view another_setup_running_message =
    "Another " VELMORA_PRODUCT " setup is running.";
// "Local\<prefix><hash of the install root>", the named lock of one root.
inline constexpr std::string_view install_lock_prefix = "Local\\" VELMORA_PRODUCT "Setup-";

// The install root cannot be found.
inline constexpr std::string_view no_install_root_message = "LOCALAPPDATA is unavailable";

// The setup manifest.
inline constexpr std::string_view unsupported_manifest_message =
    "This setup manifest is not supported.";
// Followed by the reader's description, or by one of the two below.
inline constexpr std::string_view invalid_manifest_prefix = "Invalid setup manifest: ";
inline constexpr std::string_view invalid_runtime_version_text =
    "`dotnetVersion` is not a valid folder name.";
inline constexpr std::string_view invalid_launcher_version_text =
    "`launcherVersion` is not valid in a file name.";

// Downloads, their check, and extraction. A tool's failure reads "<failed>
// with exit code N" and what follows the code, or "<failed>: <reason>".
inline constexpr std::string_view download_failed_text = "Download failed";
inline constexpr std::string_view extraction_failed_text = "Archive extraction failed";
inline constexpr std::string_view integrity_failure_message =
    "A downloaded file failed its integrity check.";
inline constexpr std::string_view runtime_layout_message =
    "The Microsoft runtime archive has an unexpected layout.";
// A tool that none of the searched folders holds.
inline constexpr std::string_view program_not_found_message = "program not found";

#undef VELMORA_PRODUCT

} // namespace velmora
