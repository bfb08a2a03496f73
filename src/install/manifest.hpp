#pragma once
// BootstrapManifest, the setup manifest record, and its reader.

#include "common/setup_error.hpp"
#include "json/record_reader.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// Field order is the order of the array form.
struct BootstrapManifest {
    std::uint32_t schema = 0;
    std::string launcherVersion;
    std::string launcherUrl;
    std::string launcherSha256;
    std::uint64_t launcherSize = 0;
    std::string dotnetVersion;
    std::string dotnetUrl;
    std::string dotnetSha512;
    std::uint64_t dotnetSize = 0;
    std::string dotnetDesktopUrl;
    std::string dotnetDesktopSha512;
    std::uint64_t dotnetDesktopSize = 0;
};

// Reads the record whatever its schema: the caller decides what it supports,
// after the whole document has been read. The error message is the reader's
// description; the caller adds its prefix.
Result<BootstrapManifest> parse_manifest(ByteSource& source);
Result<BootstrapManifest> parse_manifest(std::string_view document);

} // namespace velmora
