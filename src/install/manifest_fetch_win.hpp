#pragma once

#include "common/setup_error.hpp"
#include "install/manifest.hpp"

#include <string>

namespace velmora {

// VELMORA_BOOTSTRAP_URL when present (see choose_manifest_url), otherwise the
// product's own manifest.
std::string manifest_url();

// Downloads the setup manifest from the URL into the work directory's
// bootstrap.json and reads it; only what check_manifest accepts, after the
// whole document was read, is returned.
Result<BootstrapManifest> fetch_manifest(const std::string& url, const std::string& work_directory);

} // namespace velmora
