#pragma once
// Texts composed from the product's display name.

#include <string_view>

namespace velmora {

#define VELMORA_PRODUCT "Velmora"

inline constexpr std::string_view product_name = VELMORA_PRODUCT;
inline constexpr std::string_view setup_title = VELMORA_PRODUCT " Setup";
inline constexpr std::string_view error_report_file_name = VELMORA_PRODUCT "Setup-error.txt";
inline constexpr std::string_view launch_file_name = VELMORA_PRODUCT ".exe";

#undef VELMORA_PRODUCT

} // namespace velmora
