#pragma once
// A complete release on a test web root and a place to install it: the
// program under test with the stand-in curl.exe, tar.exe and powershell.exe
// beside it, a scratch install root and temporary folder, and readers for what
// a run leaves behind (the stand-ins' start log, the installed tree, the state
// file and the error report).

#include "support/harness.hpp"
#include "support/process_run.hpp"
#include "support/tool_starts.hpp"
#include "support/zip_writer.hpp"

#include <nlohmann/json.hpp>
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::test {

// Lower-case hexadecimal SHA-256 or SHA-512 of the bytes, as the build
// machine's sha256sum and sha512sum compute them.
std::string sha256_hex(std::string_view bytes);
std::string sha512_hex(std::string_view bytes);

// What one release holds: the entries of its three archives.
struct Release {
    std::string dotnet_version;
    std::string launcher_version;
    std::vector<ZipItem> runtime;
    std::vector<ZipItem> desktop;
    std::vector<ZipItem> launcher;
};

// A release shaped like the real one: the stand-in dotnet.exe at the runtime
// archive's root, the base and desktop frameworks under shared\, and the game
// assembly in the launcher archive.
Release standard_release(std::string_view dotnet_version = "8.0.11",
                         std::string_view launcher_version = "1.4.0");

// The host that the manifest's URLs name; the stand-ins serve it from the web root.
inline constexpr std::string_view web_host = "https://cdn.velmora.example";

struct InstallRun {
    std::uint32_t exit_code = 0;
    DWORD process_id = 0;
};

struct GameLaunch {
    RunResult run;
    std::optional<nlohmann::json> record; // what the stand-in dotnet.exe received
};

class InstallFixture {
  public:
    // Needs the running test (the scratch folder is named after it).
    explicit InstallFixture(std::string_view root_name = "root",
                            std::string_view temp_name = "temp");

    const std::string folder;       // scratch folder of the test
    const std::string install_root; // VELMORA_TEST_ROOT
    const std::string temp;         // TEMP and TMP
    const std::string web_root;
    const std::string bin; // the program and the stand-ins
    const std::string program;
    const std::string log;
    const std::string rules;
    const std::string record;
    // Given to every install this fixture starts (see RunOptions).
    std::function<void(DWORD)> before_start;
    std::vector<EnvironmentChange> more_environment; // after the fixture's own
    // Where the manifest's URLs point (web_host, or a real server's URL of
    // web_root) and the folder the stand-ins serve those URLs' paths from.
    std::string origin = std::string(web_host);
    std::string served_root = web_root;

    // Writes the three archives below web\releases and a manifest naming
    // them with their sizes and digests; returns that manifest.
    nlohmann::ordered_json publish(const Release& release);
    void publish_manifest(std::string_view text);
    void set_rules(std::string_view text);
    void clear_log();

    std::vector<EnvironmentChange> environment() const;
    RunOptions install_options() const;
    InstallRun install(std::chrono::milliseconds timeout = 180s) const;

    // The stand-ins' start log, one parsed line per start.
    std::vector<LogLine> log_lines() const;

    std::string manifest_url() const;
    std::string url_of(std::string_view web_path) const;
    std::string work_directory(DWORD process_id) const;
    std::string runtime_directory(std::string_view version) const;
    std::string staging_directory(std::string_view runtime_directory, DWORD process_id) const;
    std::string launcher_directory() const;
    std::string state_file() const;
    std::string report_file() const;
    std::optional<std::string> report() const;

    // The state file's bytes as a successful install writes them.
    std::string expected_state(std::string_view dotnet_version) const;

    // Starts the installed Velmora.exe and waits for the game host's record.
    GameLaunch launch_installed() const;
};

} // namespace velmora::test
