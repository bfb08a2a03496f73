#include "tool_sandbox.hpp"

#include "common/environment_win.hpp"
#include "common/system_paths_win.hpp"

#include <nlohmann/json.hpp>
#include <windows.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace velmora::test {
namespace fs = std::filesystem;
namespace {

constexpr const wchar_t* sandbox_variables[] = {
    L"PATH", L"VELMORA_STANDIN_LOG", L"VELMORA_STANDIN_WEB_ROOT", L"VELMORA_STANDIN_RULES"};

void set_variable(const std::wstring& name, const std::optional<std::wstring>& value) {
    if (!::SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr))
        throw std::runtime_error("SetEnvironmentVariableW failed");
}

fs::path unique_root() {
    static std::atomic<int> counter{0};
    return fs::temp_directory_path() / ("velmora-tools-" + std::to_string(::GetCurrentProcessId()) +
                                        "-" + std::to_string(counter++));
}

std::uint32_t crc32(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}
void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

} // namespace

fs::path own_folder() {
    auto self = own_executable_path();
    if (!self)
        throw std::runtime_error(self.error().message);
    return u8path(*self).parent_path();
}

fs::path stand_in_folder() {
    return own_folder().parent_path() / "stand-ins";
}

fs::path u8path(std::string_view text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string u8text(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

void write_bytes(const fs::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + u8text(file));
}

std::string read_bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + u8text(file));
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

ToolSandbox::ToolSandbox()
    : root_(unique_root()), tools_(root_ / "tools"), web_root_(root_ / "web"),
      log_(root_ / "starts.log"), rules_(root_ / "rules.txt") {
    fs::create_directories(tools_);
    fs::create_directories(web_root_);
    for (const wchar_t* name : sandbox_variables)
        saved_.emplace_back(name, environment_variable(name));
    set_variable(L"PATH", tools_.wstring());
    set_variable(L"VELMORA_STANDIN_LOG", log_.wstring());
    set_variable(L"VELMORA_STANDIN_WEB_ROOT", web_root_.wstring());
    set_variable(L"VELMORA_STANDIN_RULES", rules_.wstring());
}

ToolSandbox::~ToolSandbox() {
    for (const auto& [name, value] : saved_)
        set_variable(name, value);
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

void ToolSandbox::add_tool(std::string_view name) {
    add_tool(name, tools_);
}

void ToolSandbox::add_tool(std::string_view name, const fs::path& folder) {
    fs::create_directories(folder);
    fs::copy_file(stand_in_folder() / u8path(name), folder / u8path(name),
                  fs::copy_options::overwrite_existing);
}

void ToolSandbox::set_path(const std::wstring& value) {
    set_variable(L"PATH", value);
}

void ToolSandbox::set_rules(std::string_view rules) {
    write_bytes(rules_, rules);
}

std::vector<std::vector<std::string>> ToolSandbox::log() const {
    std::vector<std::vector<std::string>> starts;
    if (!fs::exists(log_))
        return starts;
    std::istringstream lines(read_bytes(log_));
    for (std::string line; std::getline(lines, line);)
        starts.push_back(nlohmann::json::parse(line).get<std::vector<std::string>>());
    return starts;
}

std::string stored_zip(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string archive, directory;
    for (const auto& [name, content] : entries) {
        const auto offset = static_cast<std::uint32_t>(archive.size());
        const std::uint32_t crc = crc32(content);
        const auto size = static_cast<std::uint32_t>(content.size());
        const auto name_size = static_cast<std::uint32_t>(name.size());
        // Local header: version 2.0, UTF-8 names, stored, no time stamp.
        put32(archive, 0x04034b50);
        for (std::uint32_t field : {20u, 0x0800u, 0u, 0u, 0x21u})
            put16(archive, field);
        put32(archive, crc), put32(archive, size), put32(archive, size);
        put16(archive, name_size), put16(archive, 0);
        archive += name;
        archive += content;

        put32(directory, 0x02014b50);
        for (std::uint32_t field : {20u, 20u, 0x0800u, 0u, 0u, 0x21u})
            put16(directory, field);
        put32(directory, crc), put32(directory, size), put32(directory, size);
        for (std::uint32_t field : {name_size, 0u, 0u, 0u, 0u})
            put16(directory, field);
        put32(directory, name.ends_with('/') ? 0x10u : 0u);
        put32(directory, offset);
        directory += name;
    }
    const auto directory_offset = static_cast<std::uint32_t>(archive.size());
    archive += directory;
    put32(archive, 0x06054b50);
    for (std::uint32_t field : {0u, 0u, static_cast<std::uint32_t>(entries.size()),
                                static_cast<std::uint32_t>(entries.size())})
        put16(archive, field);
    put32(archive, static_cast<std::uint32_t>(directory.size()));
    put32(archive, directory_offset);
    put16(archive, 0);
    return archive;
}

} // namespace velmora::test
