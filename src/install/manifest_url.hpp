#pragma once

#include <optional>
#include <string>

namespace velmora {

// https://<build-time host>/client/bootstrap.json
std::string default_manifest_url();

// VELMORA_BOOTSTRAP_URL's value, unchanged (even empty), when the variable is
// present and its value is valid Unicode; the default URL otherwise.
std::string choose_manifest_url(const std::optional<std::u16string>& variable);

} // namespace velmora
