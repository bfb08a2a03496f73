#include "harness/install_fixture.hpp"

#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/text_win.hpp"
#include "harness/fault_injection.hpp"
#include "harness/harness.hpp"

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace velmora::test {
namespace {

std::uint32_t crc32(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

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
    write_file(base + ".in", bytes);
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

std::string must_read(std::string_view path) {
    auto bytes = read_file(path);
    if (!bytes)
        throw std::runtime_error("cannot read " + std::string(path));
    return *bytes;
}

void list_into(const std::string& folder, const std::string& prefix,
               std::vector<std::string>& out) {
    WIN32_FIND_DATAW entry;
    UniqueFind find(::FindFirstFileW(widen(join_path(folder, "*")).c_str(), &entry));
    if (!find)
        return;
    do {
        const std::string name = narrow(entry.cFileName);
        if (name == "." || name == "..")
            continue;
        const std::string relative = prefix.empty() ? name : prefix + "\\" + name;
        out.push_back(relative);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            list_into(join_path(folder, name), relative, out);
    } while (::FindNextFileW(find.get(), &entry));
}

std::string archive_file(const Release& release, int which) {
    switch (which) {
    case 0:
        return stored_zip(release.runtime);
    case 1:
        return stored_zip(release.desktop);
    default:
        return stored_zip(release.launcher);
    }
}

} // namespace

std::string stored_zip(const std::vector<ZipEntry>& entries) {
    std::string archive, directory;
    for (const auto& [name, data] : entries) {
        const auto offset = static_cast<std::uint32_t>(archive.size());
        const std::uint32_t crc = crc32(data);
        const auto size = static_cast<std::uint32_t>(data.size());
        const auto name_size = static_cast<std::uint32_t>(name.size());
        // Local header: version 2.0, UTF-8 names, stored, no time stamp.
        put(archive, 0x04034b50, 4);
        for (const std::uint32_t field : {20u, 0x0800u, 0u, 0u, 0x21u})
            put(archive, field, 2);
        for (const std::uint32_t field : {crc, size, size})
            put(archive, field, 4);
        put(archive, name_size, 2);
        put(archive, 0, 2);
        archive += name;
        archive += data;

        put(directory, 0x02014b50, 4);
        for (const std::uint32_t field : {20u, 20u, 0x0800u, 0u, 0u, 0x21u})
            put(directory, field, 2);
        for (const std::uint32_t field : {crc, size, size})
            put(directory, field, 4);
        for (const std::uint32_t field : {name_size, 0u, 0u, 0u, 0u})
            put(directory, field, 2);
        put(directory, 0, 4);
        put(directory, offset, 4);
        directory += name;
    }
    const auto count = static_cast<std::uint32_t>(entries.size());
    const auto directory_offset = static_cast<std::uint32_t>(archive.size());
    archive += directory;
    put(archive, 0x06054b50, 4);
    for (const std::uint32_t field : {0u, 0u, count, count})
        put(archive, field, 2);
    put(archive, static_cast<std::uint32_t>(directory.size()), 4);
    put(archive, directory_offset, 4);
    put(archive, 0, 2);
    return archive;
}

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
        {"dotnet.exe", must_read(stand_in("dotnet"))},
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

LogLine curl_line(std::string_view destination, std::string_view url) {
    return {"curl.exe",
            "--fail",
            "--location",
            "--retry",
            "3",
            "--connect-timeout",
            "20",
            "--output",
            std::string(destination),
            std::string(url)};
}

LogLine tar_line(std::string_view archive, std::string_view destination) {
    return {"tar.exe", "-xf", std::string(archive), "-C", std::string(destination)};
}

LogLine powershell_download_line(std::string_view url, std::string_view destination) {
    // PowerShell reads '' inside a single-quoted literal as one quote.
    const auto quoted = [](std::string_view text) {
        std::string out;
        for (const char c : text)
            out += c == '\'' ? std::string("''") : std::string(1, c);
        return out;
    };
    return {"powershell.exe",
            "-NoProfile",
            "-NonInteractive",
            "-ExecutionPolicy",
            "Bypass",
            "-Command",
            "$ErrorActionPreference='Stop'; Invoke-WebRequest -UseBasicParsing -Uri '" +
                quoted(url) + "' -OutFile '" + quoted(destination) + "'"};
}

std::vector<std::string> tree_of(std::string_view folder) {
    std::vector<std::string> out;
    list_into(std::string(folder), "", out);
    std::sort(out.begin(), out.end());
    return out;
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
    std::string bytes[3];
    for (int i = 0; i < 3; ++i) {
        bytes[i] = archive_file(release, i);
        write_file(join_path(join_path(web_root, "releases"), names[i]), bytes[i]);
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
    write_file(join_path(join_path(web_root, "client"), "bootstrap.json"), text);
}

void InstallFixture::set_rules(std::string_view text) {
    write_file(rules, text);
}

void InstallFixture::clear_log() {
    write_file(log, "");
}

std::vector<EnvironmentChange> InstallFixture::environment() const {
    return {
        {"VELMORA_TEST_ROOT", install_root},
        {"VELMORA_BOOTSTRAP_URL", manifest_url()},
        {"VELMORA_STANDIN_WEB_ROOT", served_root},
        {"VELMORA_STANDIN_LOG", log},
        {"VELMORA_STANDIN_RULES", rules},
        {"VELMORA_STANDIN_DOTNET_RECORD", record},
        {"TEMP", temp},
        {"TMP", temp},
    };
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
    std::vector<LogLine> lines;
    std::istringstream text(read_file(log).value_or(""));
    for (std::string line; std::getline(text, line);)
        lines.push_back(nlohmann::json::parse(line).get<LogLine>());
    return lines;
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
