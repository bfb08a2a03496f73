// Stand-in for the .NET host dotnet.exe. Every start is logged and then
// recorded as one JSON object:
//   {"arguments": [...], "workingDirectory": "...",
//    "environment": [["NAME", "value"], ...]}
// The environment keeps the block's order and its hidden "=C:" entries, and
// pairs rather than an object so that a duplicated name would show. The record
// goes to VELMORA_STANDIN_DOTNET_RECORD, else to dotnet-record.json beside this
// executable: neither depends on the working directory the caller chose.
#include "json_escape.hpp"
#include "standin_win.hpp"
#include "work_times_win.hpp"

#include "common/path.hpp"
#include "common/system_queries_win.hpp"
#include "common/text_win.hpp"
#include "support/file_io_win.hpp"

#include <windows.h>

#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace velmora;

std::string json_string(std::wstring_view text) {
    return json_quote(narrow(text));
}

// Copies standard input to standard output and error, so that a test can
// see all three handles arrive.
void echo_standard_input() {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    char chunk[4096];
    DWORD got = 0;
    while (input && input != INVALID_HANDLE_VALUE &&
           ::ReadFile(input, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        const Bytes bytes(reinterpret_cast<const unsigned char*>(chunk), got);
        (void)write_all(::GetStdHandle(STD_OUTPUT_HANDLE), bytes);
        (void)write_all(::GetStdHandle(STD_ERROR_HANDLE), bytes);
    }
}

std::string environment_pairs() {
    std::string out = "[";
    const LPWCH block = ::GetEnvironmentStringsW();
    bool first = true;
    for (const wchar_t* entry = block; entry && *entry; entry += std::wcslen(entry) + 1) {
        const std::wstring_view text(entry);
        // Hidden entries such as "=C:=C:\dir" start with '=': their name runs
        // to the second one.
        const auto equals = text.find(L'=', 1);
        const auto name = text.substr(0, equals);
        const auto value =
            equals == std::wstring_view::npos ? std::wstring_view() : text.substr(equals + 1);
        out +=
            (first ? "\n    [" : ",\n    [") + json_string(name) + ", " + json_string(value) + "]";
        first = false;
    }
    if (block)
        ::FreeEnvironmentStringsW(block);
    return out + "\n  ]";
}

std::wstring current_directory() {
    wchar_t buffer[32768];
    const DWORD length = ::GetCurrentDirectoryW(32768, buffer);
    return std::wstring(buffer, length < 32768 ? length : 0);
}

// Written to a temporary file first and moved into place, so that a test that
// polls for the record never reads half of one.
bool write_record(const std::string& path, const std::string& record) {
    const std::string temporary = path + ".tmp" + std::to_string(::GetCurrentProcessId());
    return write_whole_file(temporary, record) &&
           ::MoveFileExW(widen(temporary).c_str(), widen(path).c_str(), MOVEFILE_REPLACE_EXISTING);
}

// VELMORA_STANDIN_DOTNET_RECORD, else dotnet-record.json beside this executable.
std::string record_path(std::string_view own_path) {
    const auto chosen = environment_variable(L"VELMORA_STANDIN_DOTNET_RECORD");
    if (chosen && !chosen->empty())
        return narrow(*chosen);
    return join_path(parent_of(own_path), "dotnet-record.json");
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const auto own = own_executable_path();
    const std::string own_path = own ? *own : "dotnet.exe";
    std::string tool(file_name_of(own_path));
    for (char& c : tool)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    time_whole_work(tool);
    if (!log_start(tool, utf8_arguments(argc, argv)))
        return exit_log_failed;
    // The rules are read by the other stand-ins' parser, so that a malformed
    // line fails here as loudly as there.
    const auto rule = rule_for(tool, narrow(::GetCommandLineW()));
    if (!rule)
        return exit_bad_rules;
    if (*rule && (*rule)->action == RuleAction::read_stdin)
        echo_standard_input();
    else if (const auto code = apply_common_action(*rule))
        return static_cast<int>(*code);

    std::string record = "{\n  \"arguments\": [";
    for (int i = 1; i < argc; ++i)
        record += (i > 1 ? ", " : "") + json_string(argv[i]);
    record += "],\n  \"workingDirectory\": " + json_string(current_directory()) +
              ",\n  \"environment\": " + environment_pairs() + "\n}\n";
    return write_record(record_path(own_path), record) ? 0 : 1;
}
