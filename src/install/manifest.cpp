#include "install/manifest.hpp"

#include "common/path.hpp"
#include "common/text.hpp"
#include "common/texts.hpp"
#include "install/install_layout.hpp"

namespace velmora {

Result<BootstrapManifest> parse_manifest(ByteSource& source) {
    BootstrapManifest m;
    const RecordField fields[] = {
        {"schema", &m.schema},
        {"launcherVersion", &m.launcherVersion},
        {"launcherUrl", &m.launcherUrl},
        {"launcherSha256", &m.launcherSha256},
        {"launcherSize", &m.launcherSize},
        {"dotnetVersion", &m.dotnetVersion},
        {"dotnetUrl", &m.dotnetUrl},
        {"dotnetSha512", &m.dotnetSha512},
        {"dotnetSize", &m.dotnetSize},
        {"dotnetDesktopUrl", &m.dotnetDesktopUrl},
        {"dotnetDesktopSha512", &m.dotnetDesktopSha512},
        {"dotnetDesktopSize", &m.dotnetDesktopSize},
    };
    VELMORA_TRY(read_record(source, "BootstrapManifest", fields));
    return m;
}

Result<BootstrapManifest> parse_manifest(std::string_view document) {
    MemorySource source(document);
    return parse_manifest(source);
}

Status check_manifest(const BootstrapManifest& manifest) {
    if (manifest.schema != 1)
        return SetupError{std::string(unsupported_manifest_message)};
    if (!is_plain_name(manifest.dotnetVersion))
        return SetupError{std::string(invalid_manifest_prefix) +
                          std::string(invalid_runtime_version_text)};
    if (!is_plain_name(launcher_archive_name(manifest.launcherVersion)))
        return SetupError{std::string(invalid_manifest_prefix) +
                          std::string(invalid_launcher_version_text)};
    return {};
}

std::string default_manifest_url() {
    return std::string("https://") + VELMORA_MANIFEST_HOST + "/client/bootstrap.json";
}

std::string choose_manifest_url(const std::optional<std::u16string>& variable) {
    if (variable && is_valid_utf16(*variable))
        return utf16_to_utf8(*variable);
    return default_manifest_url();
}

std::array<ArchiveDownload, 2> runtime_archives(const BootstrapManifest& m) {
    return {
        {{"dotnet-runtime.zip", m.dotnetUrl, m.dotnetSize, m.dotnetSha512, DigestAlgorithm::sha512},
         {"windowsdesktop-runtime.zip", m.dotnetDesktopUrl, m.dotnetDesktopSize,
          m.dotnetDesktopSha512, DigestAlgorithm::sha512}}};
}

ArchiveDownload launcher_archive(const BootstrapManifest& m) {
    return {launcher_archive_name(m.launcherVersion), m.launcherUrl, m.launcherSize,
            m.launcherSha256, DigestAlgorithm::sha256};
}

} // namespace velmora
