#pragma once
// A private world for tests that run the stand-in tools from this process: a
// fresh folder with a PATH folder, a web root, a start log and a rules file,
// and this process's environment (so every tool it starts) pointed at them
// until the sandbox ends.

#include "common/setup_error.hpp"
#include "support/tool_starts.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::test {

// Sets (a value) or removes (nullopt) a variable of this process's
// environment, and puts back what was there when the scope ends.
class ScopedVariable {
  public:
    ScopedVariable(std::wstring name, const std::optional<std::string>& value);
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;
    ~ScopedVariable();
    void set(const std::optional<std::string>& value) const;

  private:
    std::wstring name_;
    std::optional<std::wstring> old_;
};

// The error's message, or "" for success: what a table of cases compares.
std::string message_of(const Status& status);

// UTF-8 text as a path, and a path as UTF-8 text.
std::filesystem::path u8path(std::string_view text);
std::string u8text(const std::filesystem::path& path);

// write_test_file and must_read of harness.hpp, for std::filesystem paths.
void write_bytes(const std::filesystem::path& file, std::string_view bytes);
std::string read_bytes(const std::filesystem::path& file);

class ToolSandbox {
  public:
    ToolSandbox();
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
    // VELMORA_STANDIN_TASKLIST ("@real" when absent, as at the start).
    void set_tasklist_mode(const std::optional<std::string>& mode);

    // The start log as the stand-ins wrote it, and one element per start.
    std::string log_text() const;
    std::vector<LogLine> log() const;

  private:
    std::filesystem::path root_, tools_, web_root_, log_, rules_;
    ScopedVariable path_, log_variable_, web_variable_, rules_variable_, tasklist_variable_;
};

} // namespace velmora::test
