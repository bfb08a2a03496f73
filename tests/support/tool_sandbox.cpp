#include "support/tool_sandbox.hpp"

#include "common/system_queries_win.hpp"
#include "common/text_win.hpp"
#include "support/harness.hpp"

#include <windows.h>

#include <atomic>
#include <stdexcept>

namespace velmora::test {
namespace fs = std::filesystem;
namespace {

fs::path unique_root() {
    static std::atomic<int> counter{0};
    return fs::temp_directory_path() / ("velmora-tools-" + std::to_string(::GetCurrentProcessId()) +
                                        "-" + std::to_string(counter++));
}

} // namespace

ScopedVariable::ScopedVariable(std::wstring name, const std::optional<std::string>& value)
    : name_(std::move(name)), old_(environment_variable(name_)) {
    set(value);
}

ScopedVariable::~ScopedVariable() {
    ::SetEnvironmentVariableW(name_.c_str(), old_ ? old_->c_str() : nullptr);
}

void ScopedVariable::set(const std::optional<std::string>& value) const {
    // Removing a variable that is not there may fail; it is absent all the same.
    if (!::SetEnvironmentVariableW(name_.c_str(), value ? widen(*value).c_str() : nullptr) && value)
        throw std::runtime_error("SetEnvironmentVariableW failed for " + narrow(name_));
}

std::string message_of(const Status& status) {
    return status.ok() ? "" : status.error().message;
}

fs::path u8path(std::string_view text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string u8text(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

void write_bytes(const fs::path& file, std::string_view bytes) {
    write_test_file(u8text(file), bytes);
}

std::string read_bytes(const fs::path& file) {
    return must_read(u8text(file));
}

ToolSandbox::ToolSandbox()
    : root_(unique_root()), tools_(root_ / "tools"), web_root_(root_ / "web"),
      log_(root_ / "starts.log"), rules_(root_ / "rules.txt"), path_(L"PATH", u8text(tools_)),
      log_variable_(L"VELMORA_STANDIN_LOG", u8text(log_)),
      web_variable_(L"VELMORA_STANDIN_WEB_ROOT", u8text(web_root_)),
      rules_variable_(L"VELMORA_STANDIN_RULES", u8text(rules_)),
      tasklist_variable_(L"VELMORA_STANDIN_TASKLIST", std::nullopt) {
    fs::create_directories(tools_);
    fs::create_directories(web_root_);
}

ToolSandbox::~ToolSandbox() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

void ToolSandbox::add_tool(std::string_view name) {
    add_tool(name, tools_);
}

void ToolSandbox::add_tool(std::string_view name, const fs::path& folder) {
    fs::create_directories(folder);
    fs::copy_file(u8path(stand_in(name)), folder / u8path(name),
                  fs::copy_options::overwrite_existing);
}

void ToolSandbox::set_path(const std::wstring& value) {
    path_.set(narrow(value));
}

void ToolSandbox::set_rules(std::string_view rules) {
    write_bytes(rules_, rules);
}

void ToolSandbox::set_tasklist_mode(const std::optional<std::string>& mode) {
    tasklist_variable_.set(mode);
}

std::string ToolSandbox::log_text() const {
    return read_file(u8text(log_)).value_or("");
}

std::vector<LogLine> ToolSandbox::log() const {
    return read_start_log(u8text(log_));
}

} // namespace velmora::test
