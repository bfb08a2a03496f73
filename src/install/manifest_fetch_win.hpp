#pragma once

#include "common/setup_error.hpp"
#include "install/manifest.hpp"

#include <string>

namespace velmora {

// Downloads the setup manifest into the work directory's bootstrap.json and
// reads it. Only a manifest of schema 1 is accepted, and only after the whole
// document was read; version texts that would place files outside their
// folders are refused.
Result<BootstrapManifest> fetch_manifest(const std::string& work_directory);

} // namespace velmora
