#pragma once
// The texts that the setup window shows in its labels and on its button.

#include <cstdint>
#include <string_view>

namespace velmora {

inline constexpr std::string_view window_class_name = "VelmoraSetupWindow";

inline constexpr std::string_view ready_status_text = "Ready to install";
inline constexpr std::string_view installed_status_text = "Installed. Ready to play.";
inline constexpr std::string_view failed_status_text = "Installation failed";
inline constexpr std::string_view install_button_text = "Install";
inline constexpr std::string_view launch_button_text = "Launch";

inline constexpr std::string_view class_registration_failed_message =
    "Could not initialize the setup window.";
inline constexpr std::string_view window_creation_failed_message =
    "Could not open the setup window.";

// The status line for an install stage as the worker posts it (the raw
// message parameter); a value the window does not know reads "Working…".
std::string_view stage_status_text(std::uint64_t stage);

} // namespace velmora
