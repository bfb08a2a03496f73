// Throughput of verify_download on a large file, against hashing the same
// bytes from memory with the same provider, and the growth of the process's
// peak working set while the check runs.
//
//   bench_verify.exe [--mib N] [--file PATH] [--rounds R]
//                    [--sha512sum SECONDS HEX] [--sha256sum SECONDS HEX]
//
// Without --file a file of N MiB (default 1024) is made in the temporary
// folder and removed afterwards. Rates are the best of R rounds (default 7);
// the ratio is also given as the median and spread of the rounds' own ratios.
// The --sha*sum options carry the time and digest that run.sh measured with
// the Linux tools for the same file. Results are lines "verify.NAME VALUE
// UNIT", NAME beginning with the algorithm (sha512_rate, sha256_ratio_median...).

#include "common/handle_win.hpp"
#include "common/system_queries_win.hpp"
#include "common/text_win.hpp"
#include "install/digest_win.hpp"
#include "install/download.hpp"
#include "install/download_win.hpp"

#include <psapi.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace velmora {
namespace {

constexpr std::size_t mib = 1024 * 1024;

struct ToolRun {
    double seconds = 0;
    std::string digest;
};

struct Options {
    std::uint64_t size = 1024 * mib;
    std::string file;
    std::optional<ToolRun> sha512sum, sha256sum;
    int rounds = 7;
};

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "bench_verify: %s\n", message.c_str());
    std::exit(1);
}

template <class T> T must(Result<T> result) {
    if (!result)
        fail(result.error().message);
    return std::move(result).value();
}

Options parse_options(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        const auto value = [&] {
            if (i + 1 >= argc)
                fail("missing value after " + name);
            return std::string(argv[++i]);
        };
        if (name == "--mib")
            options.size = std::stoull(value()) * mib;
        else if (name == "--rounds")
            options.rounds = std::max(1, std::stoi(value()));
        else if (name == "--file")
            options.file = value();
        else if (name == "--sha512sum" || name == "--sha256sum") {
            ToolRun run{std::stod(value()), value()};
            (name == "--sha512sum" ? options.sha512sum : options.sha256sum) = run;
        } else
            fail("unknown option " + name);
    }
    return options;
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

std::size_t peak_working_set() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters))
        fail("GetProcessMemoryInfo failed");
    return counters.PeakWorkingSetSize;
}

// Pseudo-random bytes, so that nothing below can take a short cut.
void fill(std::uint64_t& state, std::uint8_t* bytes, std::size_t size) {
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        std::memcpy(bytes + i, &state, 8);
    }
}

void make_file(const std::string& path, std::uint64_t size) {
    const UniqueFile file(::CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!file)
        fail("cannot create " + path);
    std::vector<std::uint8_t> chunk(64 * 1024);
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    for (std::uint64_t left = size; left > 0;) {
        const DWORD part = static_cast<DWORD>(std::min<std::uint64_t>(left, chunk.size()));
        fill(state, chunk.data(), chunk.size());
        DWORD written = 0;
        if (!::WriteFile(file.get(), chunk.data(), part, &written, nullptr) || written != part)
            fail("cannot write " + path);
        left -= part;
    }
}

std::vector<std::uint8_t> read_whole(const std::string& path, std::uint64_t size) {
    std::vector<std::uint8_t> bytes(size);
    const UniqueFile file(::CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    if (!file)
        fail("cannot open " + path);
    for (std::uint64_t done = 0; done < size;) {
        DWORD read = 0;
        const DWORD part = static_cast<DWORD>(std::min<std::uint64_t>(size - done, 64 * mib));
        if (!::ReadFile(file.get(), bytes.data() + done, part, &read, nullptr) || read == 0)
            fail("cannot read " + path);
        done += read;
    }
    return bytes;
}

struct Measured {
    double seconds;
    std::size_t peak_growth;
};

Measured time_verify(const std::string& path, std::uint64_t size, const std::string& digest,
                     DigestAlgorithm algorithm) {
    const std::size_t peak_before = peak_working_set();
    const double start = now();
    const Status status = verify_download(path, size, digest, algorithm);
    const double seconds = now() - start;
    if (!status)
        fail("verify_download: " + status.error().message);
    return {seconds, peak_working_set() - peak_before};
}

double mb_per_s(std::uint64_t size, double seconds) {
    return size / 1e6 / seconds;
}

// Best rates: verify_download, the in-memory digest and the Linux tool (shaNNNsum).
void report(const char* algorithm, std::uint64_t size, const Measured& verify,
            double memory_seconds, const std::optional<ToolRun>& tool) {
    const double verify_rate = mb_per_s(size, verify.seconds);
    const double memory_rate = mb_per_s(size, memory_seconds);
    std::printf("verify.%s_rate %.1f MB/s\n", algorithm, verify_rate);
    std::printf("verify.%s_memory_rate %.1f MB/s\n", algorithm, memory_rate);
    std::printf("verify.%s_best_ratio %.3f ratio\n", algorithm, verify_rate / memory_rate);
    if (tool) {
        const double tool_rate = mb_per_s(size, tool->seconds);
        std::printf("verify.%s_tool_rate %.1f MB/s\n", algorithm, tool_rate);
        std::printf("verify.%s_tool_ratio %.3f ratio\n", algorithm, verify_rate / tool_rate);
    } else {
        std::printf("%s: the Linux tool is measured by run.sh\n", algorithm);
    }
    std::printf("verify.%s_peak_growth %.2f MiB\n", algorithm, verify.peak_growth / double(mib));
}

// The ratio verify_download / in-memory digest, one per round.
void report_spread(const char* algorithm, std::vector<double> ratios) {
    std::sort(ratios.begin(), ratios.end());
    const std::size_t n = ratios.size();
    const double median = n % 2 ? ratios[n / 2] : (ratios[n / 2 - 1] + ratios[n / 2]) / 2;
    std::printf("verify.%s_rounds %zu count\n", algorithm, n);
    std::printf("verify.%s_ratio_median %.3f ratio\n", algorithm, median);
    std::printf("verify.%s_ratio_min %.3f ratio\n", algorithm, ratios.front());
    std::printf("verify.%s_ratio_max %.3f ratio\n", algorithm, ratios.back());
}

// The digest by a streamed pass of its own, which also warms the file cache
// so that verify_download and the in-memory run see the same bytes at hand.
std::string reference_digest(const std::string& path, DigestAlgorithm algorithm) {
    auto computation = must(DigestComputation::start(algorithm));
    const UniqueFile file(::CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    if (!file)
        fail("cannot open " + path);
    std::vector<std::uint8_t> chunk(64 * 1024);
    for (DWORD read = 0;
         ::ReadFile(file.get(), chunk.data(), DWORD(chunk.size()), &read, nullptr) && read > 0;) {
        if (Status fed = computation.update(std::span(chunk.data(), read)); !fed)
            fail(fed.error().message);
    }
    return to_lower_hex(must(computation.finish()));
}

int run(int argc, char** argv) {
    Options options = parse_options(argc, argv);
    const bool own_file = options.file.empty();
    if (own_file) {
        options.file = must(temp_directory()) + "velmora-bench-" +
                       std::to_string(::GetCurrentProcessId()) + ".bin";
        make_file(options.file, options.size);
    } else {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!::GetFileAttributesExW(widen(options.file).c_str(), GetFileExInfoStandard, &data))
            fail("cannot find " + options.file);
        options.size = (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    std::printf("file: %s\n", options.file.c_str());
    std::printf("verify.file_size %llu bytes\n", static_cast<unsigned long long>(options.size));

    const std::string sha512 = reference_digest(options.file, DigestAlgorithm::sha512);
    const std::string sha256 = reference_digest(options.file, DigestAlgorithm::sha256);
    for (const auto& [tool, own] :
         {std::pair{options.sha512sum, sha512}, {options.sha256sum, sha256}})
        if (tool && !digests_match(own, tool->digest))
            fail("the Linux tool's digest differs: " + tool->digest);

    // Peak growth first, while no large buffer of the bench's own is resident.
    Measured verify512 = time_verify(options.file, options.size, sha512, DigestAlgorithm::sha512);
    Measured verify256 = time_verify(options.file, options.size, sha256, DigestAlgorithm::sha256);

    // Then interleaved rounds, each timing the check right beside the
    // in-memory digest, so that load from other processes on the machine hits
    // both sides of a round's ratio alike; the ratio's median and spread over
    // the rounds are reported with the best rates.
    const std::vector<std::uint8_t> bytes = read_whole(options.file, options.size);
    double memory512_seconds = 1e30, memory256_seconds = 1e30;
    std::vector<double> ratios512, ratios256;
    const auto time_memory = [&](DigestAlgorithm algorithm, const std::string& expected) {
        const double start = now();
        const std::string digest = to_lower_hex(must(compute_digest(algorithm, bytes)));
        const double seconds = now() - start;
        if (digest != expected)
            fail("the in-memory digest differs from the streamed one");
        return seconds;
    };
    for (int round = 0; round < options.rounds; ++round) {
        const double v512 =
            time_verify(options.file, options.size, sha512, DigestAlgorithm::sha512).seconds;
        const double m512 = time_memory(DigestAlgorithm::sha512, sha512);
        const double v256 =
            time_verify(options.file, options.size, sha256, DigestAlgorithm::sha256).seconds;
        const double m256 = time_memory(DigestAlgorithm::sha256, sha256);
        verify512.seconds = std::min(verify512.seconds, v512);
        verify256.seconds = std::min(verify256.seconds, v256);
        memory512_seconds = std::min(memory512_seconds, m512);
        memory256_seconds = std::min(memory256_seconds, m256);
        ratios512.push_back(m512 / v512);
        ratios256.push_back(m256 / v256);
    }

    report("sha512", options.size, verify512, memory512_seconds, options.sha512sum);
    report_spread("sha512", ratios512);
    report("sha256", options.size, verify256, memory256_seconds, options.sha256sum);
    report_spread("sha256", ratios256);
    if (own_file)
        ::DeleteFileW(widen(options.file).c_str());
    return 0;
}

} // namespace
} // namespace velmora

int main(int argc, char** argv) {
    return velmora::run(argc, argv);
}
