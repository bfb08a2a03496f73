#pragma once
// Fetching a file with the system's tools, and proving it is the file the
// setup manifest describes.

#include "common/setup_error.hpp"
#include "install/manifest.hpp"

#include <cstdint>
#include <string>

namespace velmora {

// Fetches the URL into the destination: curl.exe first, PowerShell's
// Invoke-WebRequest when curl does not succeed for any reason. The
// destination's parent folder is created when missing.
Status download_file(const std::string& url, const std::string& destination);

// Checks the file's size, then its digest against the expected hex text, in
// one streaming pass.
Status verify_download(const std::string& file, std::uint64_t expected_size,
                       const std::string& expected_digest, DigestAlgorithm algorithm);

// Downloads the archive into the work directory and checks it; returns its
// path there.
Result<std::string> fetch_verified(const ArchiveDownload& archive, const std::string& work);

} // namespace velmora
