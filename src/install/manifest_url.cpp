#include "install/manifest_url.hpp"

#include "common/text.hpp"

namespace velmora {

std::string default_manifest_url() {
    return std::string("https://") + VELMORA_MANIFEST_HOST + "/client/bootstrap.json";
}

std::string choose_manifest_url(const std::optional<std::u16string>& variable) {
    if (variable && is_valid_utf16(*variable))
        return utf16_to_utf8(*variable);
    return default_manifest_url();
}

} // namespace velmora
