#pragma once
// The argument lists and PowerShell command texts with which downloads and
// extraction drive their tools.

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// curl.exe --disable --ssl-revoke-best-effort --fail --location --retry 3 --retry-max-time 120
//   --connect-timeout 20 --speed-limit 1 --speed-time 60 --output DEST URL
std::vector<std::string> curl_arguments(std::string_view url, std::string_view destination);

// -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command <command>
std::vector<std::string> powershell_arguments(std::string_view command);

// The Invoke-WebRequest command that fetches the URL into the destination.
std::string web_request_command(std::string_view url, std::string_view destination);

// tar.exe -xf ARCHIVE -C DEST
std::vector<std::string> tar_arguments(std::string_view archive, std::string_view destination);

// The Expand-Archive command that unpacks the archive (taken literally) into
// the destination, replacing existing files.
std::string expand_archive_command(std::string_view archive, std::string_view destination);

} // namespace velmora
