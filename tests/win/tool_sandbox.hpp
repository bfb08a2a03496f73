#pragma once
// A private world for tests that drive the stand-in tools in-process: a
// fresh folder with a PATH folder, a web root, a log and a rules file, and
// the environment pointed at them until the sandbox ends.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::test {

class ToolSandbox {
  public:
    ToolSandbox();
    ToolSandbox(const ToolSandbox&) = delete;
    ToolSandbox& operator=(const ToolSandbox&) = delete;
    ~ToolSandbox();

    const std::filesystem::path& root() const { return root_; }
    const std::filesystem::path& tools() const { return tools_; }
    const std::filesystem::path& web_root() const { return web_root_; }

    // Copies <build>/stand-ins/<name> into the PATH folder (or into folder).
    void add_tool(std::string_view name);
    void add_tool(std::string_view name, const std::filesystem::path& folder);
    // PATH for the tools started from now on.
    void set_path(const std::wstring& value);
    void set_rules(std::string_view rules);

    // One element per stand-in start: its file name, then its arguments.
    std::vector<std::vector<std::string>> log() const;

  private:
    std::filesystem::path root_, tools_, web_root_, log_, rules_;
    std::vector<std::pair<std::wstring, std::optional<std::wstring>>> saved_;
};

// <build>/stand-ins, where the build puts the stand-in tools.
std::filesystem::path stand_in_folder();
// The folder of win_tests.exe, searched before any other for a tool.
std::filesystem::path own_folder();

// UTF-8 text as a path, and a path as UTF-8 text.
std::filesystem::path u8path(std::string_view text);
std::string u8text(const std::filesystem::path& path);

void write_bytes(const std::filesystem::path& file, std::string_view bytes);
std::string read_bytes(const std::filesystem::path& file);

// A zip archive of stored entries (name, content); names ending in '/' are folders.
std::string stored_zip(const std::vector<std::pair<std::string, std::string>>& entries);

} // namespace velmora::test
