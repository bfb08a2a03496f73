#pragma once
// BootstrapManifest, the setup manifest record: where it is fetched from,
// its reader, what the install accepts of it, and the archives it names.

#include "common/setup_error.hpp"
#include "json/record_reader.hpp"

#include <array>
#include <cstdint>
#include <optional>
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

// Only schema 1 is supported; the versions become folder and file names below
// the install root and the work directory, so anything that could name
// another place is refused ("Invalid setup manifest: ...").
Status check_manifest(const BootstrapManifest& manifest);

// https://<build-time host>/client/bootstrap.json
std::string default_manifest_url();

// VELMORA_BOOTSTRAP_URL's value, unchanged (even empty), when the variable is
// present and its value is valid Unicode; the default URL otherwise.
std::string choose_manifest_url(const std::optional<std::u16string>& variable);

enum class DigestAlgorithm { sha256, sha512 };

// One archive the manifest names, as the download and its check need it.
struct ArchiveDownload {
    std::string file_name; // in the work directory
    std::string url;
    std::uint64_t size = 0;
    std::string digest; // hex
    DigestAlgorithm algorithm = DigestAlgorithm::sha512;
};

// The base runtime, then the Windows Desktop runtime: unpacked in this order.
std::array<ArchiveDownload, 2> runtime_archives(const BootstrapManifest& manifest);

// "VelmoraLauncher-<launcherVersion>.zip"
ArchiveDownload launcher_archive(const BootstrapManifest& manifest);

} // namespace velmora
