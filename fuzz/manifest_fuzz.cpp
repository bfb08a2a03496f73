// The setup manifest comes from the web host: any bytes must give a record or
// a SetupError, the same whether the document is read at once or in pieces.

#include "chunked_source.hpp"
#include "fuzz_check.hpp"
#include "install/manifest.hpp"
#include "json_fault_check.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velmora {
namespace {

bool same_manifest(const BootstrapManifest& a, const BootstrapManifest& b) {
    return a.schema == b.schema && a.launcherVersion == b.launcherVersion &&
           a.launcherUrl == b.launcherUrl && a.launcherSha256 == b.launcherSha256 &&
           a.launcherSize == b.launcherSize && a.dotnetVersion == b.dotnetVersion &&
           a.dotnetUrl == b.dotnetUrl && a.dotnetSha512 == b.dotnetSha512 &&
           a.dotnetSize == b.dotnetSize && a.dotnetDesktopUrl == b.dotnetDesktopUrl &&
           a.dotnetDesktopSha512 == b.dotnetDesktopSha512 &&
           a.dotnetDesktopSize == b.dotnetDesktopSize;
}

} // namespace
} // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    const std::string_view document(reinterpret_cast<const char*>(data), size);
    const Result<BootstrapManifest> whole = parse_manifest(document);
    if (!whole.ok()) {
        const std::string& message = whole.error().message;
        require(fits_message_box(message), "a manifest fault is short, valid UTF-8");
        require(ends_with_position(message), "a manifest fault ends with its position");
    }

    ChunkedSource source(document);
    const Result<BootstrapManifest> pieces = parse_manifest(source);
    require(same_outcome(whole, pieces, source, &same_manifest),
            "reading the manifest in pieces changes the outcome");
    return 0;
}
