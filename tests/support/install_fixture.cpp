#include "support/install_fixture.hpp"

#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/text_win.hpp"
#include "support/fault_injection.hpp"
#include "support/harness.hpp"

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace velmora::test {
namespace {

// Digests from the build machine's sha256sum or sha512sum, never from the
// program's own hashing code, so that a wrong algorithm or a wrong digest in
// the program cannot agree with itself.
std::string system_digest(std::string_view tool, std::string_view bytes) {
    static int counter = 0;
    const std::string base = join_path(join_path(build_directory(), "scratch"),
                                       "digest-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                           std::to_string(counter++));
    const auto in = unix_path(base + ".in"), out_file = unix_path(base + ".out");
    if (!in || !out_file)
        throw std::runtime_error("the build folder is not on Wine's Z: drive");
    write_test_file(base + ".in", bytes);
    const std::string script =
        "set -e\n" + std::string(tool) + " < '" + *in + "' > '" + *out_file + "'";
    const auto status = run_shell(script, base + ".status");
    const std::string out = read_file(base + ".out").value_or("");
    ::DeleteFileW(widen(base + ".in").c_str());
    ::DeleteFileW(widen(base + ".out").c_str());
    const std::size_t length = out.find(' ');
    if (status != 0 || length == std::string::npos)
        throw std::runtime_error(std::string(tool) + " gave no digest: " + out);
    return out.substr(0, length);
}

} // namespace

std::string sha256_hex(std::string_view bytes) {
    return system_digest("sha256sum", bytes);
}

std::string sha512_hex(std::string_view bytes) {
    return system_digest("sha512sum", bytes);
}

Release standard_release(std::string_view dotnet_version, std::string_view launcher_version) {
    const std::string v(dotnet_version);
    Release release{v, std::string(launcher_version), {}, {}, {}};
    release.runtime = {
        {"dotnet.exe", must_read(stand_in("dotnet.exe"))},
        {"host/fxr/" + v + "/hostfxr.dll", "hostfxr " + v},
        {"shared/Microsoft.NETCore.App/" + v + "/System.Runtime.dll", "System.Runtime " + v},
    };
    release.desktop = {
        {"shared/Microsoft.WindowsDesktop.App/" + v + "/PresentationCore.dll",
         "PresentationCore " + v},
    };
    release.launcher = {
        {"VelmoraGame.dll", "VelmoraGame " + release.launcher_version},
        {"VelmoraGame.runtimeconfig.json", R"({"runtimeOptions":{"tfm":"net8.0"}})"},
    };
    return release;
}

InstallFixture::InstallFixture(std::string_view root_name, std::string_view temp_name)
    : folder(fresh_scratch_folder()), install_root(join_path(folder, root_name)),
      temp(join_path(folder, temp_name)), web_root(join_path(folder, "web")),
      bin(join_path(folder, "bin")), program(join_path(bin, "VelmoraSetup.exe")),
      log(join_path(folder, "tools.log")), rules(join_path(folder, "rules.txt")),
      record(join_path(folder, "dotnet-record.json")) {
    make_directories(install_root);
    make_directories(temp);
    make_directories(web_root);
    place_program(bin, "VelmoraSetup.exe");
    place_stand_ins(bin, {"curl", "tar", "powershell"});
    set_rules("");
}

nlohmann::ordered_json InstallFixture::publish(const Release& release) {
    const std::string names[] = {"dotnet-runtime.zip", "windowsdesktop-runtime.zip",
                                 "VelmoraLauncher-" + release.launcher_version + ".zip"};
    const std::vector<ZipItem>* archives[] = {&release.runtime, &release.desktop,
                                              &release.launcher};
    std::string bytes[3];
    for (int i = 0; i < 3; ++i) {
        bytes[i] = make_zip(*archives[i]);
        write_test_file(join_path(join_path(web_root, "releases"), names[i]), bytes[i]);
    }
    const nlohmann::ordered_json manifest{
        {"schema", 1},
        {"launcherVersion", release.launcher_version},
        {"launcherUrl", url_of("releases/" + names[2])},
        {"launcherSha256", sha256_hex(bytes[2])},
        {"launcherSize", bytes[2].size()},
        {"dotnetVersion", release.dotnet_version},
        {"dotnetUrl", url_of("releases/" + names[0])},
        {"dotnetSha512", sha512_hex(bytes[0])},
        {"dotnetSize", bytes[0].size()},
        {"dotnetDesktopUrl", url_of("releases/" + names[1])},
        {"dotnetDesktopSha512", sha512_hex(bytes[1])},
        {"dotnetDesktopSize", bytes[1].size()},
    };
    publish_manifest(manifest.dump(2));
    return manifest;
}

void InstallFixture::publish_manifest(std::string_view text) {
    write_test_file(join_path(join_path(web_root, "client"), "bootstrap.json"), text);
}

void InstallFixture::set_rules(std::string_view text) {
    write_test_file(rules, text);
}

void InstallFixture::clear_log() {
    write_test_file(log, "");
}

std::vector<EnvironmentChange> InstallFixture::environment() const {
    std::vector<EnvironmentChange> changes = {
        {"VELMORA_TEST_ROOT", install_root},
        {"VELMORA_BOOTSTRAP_URL", manifest_url()},
        {"VELMORA_STANDIN_WEB_ROOT", served_root},
        {"VELMORA_STANDIN_LOG", log},
        {"VELMORA_STANDIN_RULES", rules},
        {"VELMORA_STANDIN_DOTNET_RECORD", record},
        {"TEMP", temp},
        {"TMP", temp},
    };
    changes.insert(changes.end(), more_environment.begin(), more_environment.end());
    return changes;
}

RunOptions InstallFixture::install_options() const {
    RunOptions options;
    options.program = program;
    options.arguments = {"--install-headless"};
    options.environment = environment();
    options.before_start = before_start;
    return options;
}

InstallRun InstallFixture::install(std::chrono::milliseconds timeout) const {
    RunningProgram running(install_options());
    const auto code = running.wait(timeout);
    if (!code)
        throw std::runtime_error("the headless install did not end in time");
    return {*code, running.process_id()};
}

std::vector<LogLine> InstallFixture::log_lines() const {
    return read_start_log(log);
}

std::string InstallFixture::manifest_url() const {
    return url_of("client/bootstrap.json");
}

std::string InstallFixture::url_of(std::string_view web_path) const {
    return origin + "/" + std::string(web_path);
}

// The program's child environment carries TEMP, and Wine's GetTempPathW
// honours it there (the registry's C:\users\<user>\Temp only replaces it for
// a process started from the Linux side).
std::string InstallFixture::work_directory(DWORD process_id) const {
    return join_path(temp, "VelmoraSetup-" + std::to_string(process_id));
}

std::string InstallFixture::runtime_directory(std::string_view version) const {
    return join_path(join_path(join_path(install_root, "Velmora"), "dotnet"), version);
}

// The version's extension (after its last dot, unless that dot leads the
// name) becomes "staging-<pid>".
std::string InstallFixture::staging_directory(std::string_view runtime_directory,
                                              DWORD process_id) const {
    std::string path(runtime_directory);
    const std::size_t name_start = path.find_last_of("\\/") + 1;
    const std::size_t dot = path.rfind('.');
    if (dot != std::string::npos && dot > name_start)
        path.erase(dot);
    return path + ".staging-" + std::to_string(process_id);
}

std::string InstallFixture::launcher_directory() const {
    return join_path(join_path(install_root, "Programs"), "Velmora");
}

std::string InstallFixture::state_file() const {
    return state_file_in(install_root);
}

std::string InstallFixture::report_file() const {
    return join_path(install_root, "VelmoraSetup-error.txt");
}

std::optional<std::string> InstallFixture::report() const {
    return read_file(report_file());
}

std::string InstallFixture::expected_state(std::string_view dotnet_version) const {
    const auto escaped = [](std::string text) {
        std::string out;
        for (const char c : text)
            out += c == '\\' ? std::string("\\\\") : std::string(1, c);
        return out;
    };
    return "{\n  \"dotnetRoot\": \"" + escaped(runtime_directory(dotnet_version)) +
           "\",\n  \"launcherDirectory\": \"" + escaped(launcher_directory()) + "\"\n}";
}

GameLaunch InstallFixture::launch_installed() const {
    ::DeleteFileW(widen(record).c_str());
    RunOptions options;
    options.program = join_path(launcher_directory(), "Velmora.exe");
    options.environment = environment();
    GameLaunch launch{run_program(options), std::nullopt};
    if (wait_for_file(record))
        launch.record = nlohmann::json::parse(must_read(record));
    return launch;
}

} // namespace velmora::test
