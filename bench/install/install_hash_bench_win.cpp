// The hashing share of one install: verify_download on the three archives
// that a published setup manifest describes, with the manifest's sizes,
// digests and algorithms, exactly as the install sequence calls it. Times are
// taken inside the process, so Wine's start-up is not counted.
//
//   bench_install_hash.exe --manifest BOOTSTRAP_JSON
//                          --runtime ZIP --desktop ZIP --launcher ZIP
//
// Prints one line per archive, "install.hash_<name> <seconds> s", then
// "install.hash_total <seconds> s". A file that fails its check ends the bench with
// exit code 1, so that a figure is never taken from the wrong bytes.

#include "common/handle_win.hpp"
#include "common/text_win.hpp"
#include "install/download_win.hpp"
#include "install/file_source_win.hpp"
#include "install/manifest.hpp"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace velmora {
namespace {

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "bench_install_hash: %s\n", message.c_str());
    std::exit(1);
}

std::map<std::string, std::string> parse_options(int argc, char** argv) {
    std::map<std::string, std::string> options;
    for (int i = 1; i < argc; i += 2) {
        const std::string name = argv[i];
        if (name != "--manifest" && name != "--runtime" && name != "--desktop" &&
            name != "--launcher")
            fail("unknown option " + name);
        if (i + 1 >= argc)
            fail("missing value after " + name);
        options[name.substr(2)] = argv[i + 1];
    }
    for (const char* needed : {"manifest", "runtime", "desktop", "launcher"})
        if (!options.contains(needed))
            fail(std::string("missing --") + needed);
    return options;
}

BootstrapManifest read_manifest(const std::string& path) {
    const UniqueFile file(::CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    if (!file)
        fail("cannot open " + path);
    FileSource source(file.get());
    auto manifest = parse_manifest(source);
    if (!manifest)
        fail("the manifest cannot be read: " + manifest.error().message);
    return std::move(manifest).value();
}

double now() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / frequency;
}

struct Check {
    const char* name;
    std::string file;
    std::uint64_t size;
    std::string digest;
    DigestAlgorithm algorithm;
};

int run(int argc, char** argv) {
    auto options = parse_options(argc, argv);
    const BootstrapManifest m = read_manifest(options["manifest"]);
    // In the install's order and with its algorithms.
    const Check checks[] = {
        {"runtime", options["runtime"], m.dotnetSize, m.dotnetSha512, DigestAlgorithm::sha512},
        {"desktop", options["desktop"], m.dotnetDesktopSize, m.dotnetDesktopSha512,
         DigestAlgorithm::sha512},
        {"launcher", options["launcher"], m.launcherSize, m.launcherSha256,
         DigestAlgorithm::sha256},
    };
    double total = 0;
    for (const Check& check : checks) {
        const double start = now();
        const Status verified =
            verify_download(check.file, check.size, check.digest, check.algorithm);
        const double seconds = now() - start;
        if (!verified)
            fail(std::string(check.name) + ": " + verified.error().message);
        std::printf("install.hash_%s %.6f s\n", check.name, seconds);
        total += seconds;
    }
    std::printf("install.hash_total %.6f s\n", total);
    return 0;
}

} // namespace
} // namespace velmora

int main(int argc, char** argv) {
    return velmora::run(argc, argv);
}
