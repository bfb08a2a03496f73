#include "install/manifest.hpp"

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

} // namespace velmora
