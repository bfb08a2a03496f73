// Stand-in for the .NET host dotnet.exe. Every start is logged and then
// recorded as one JSON object:
//   {"arguments": [...], "workingDirectory": "...",
//    "environment": [["NAME", "value"], ...]}
// The environment keeps the block's order and its hidden "=C:" entries, and
// pairs rather than an object so that a duplicated name would show. The record
// goes to VELMORA_STANDIN_DOTNET_RECORD, else to dotnet-record.json beside this
// executable: neither depends on the working directory the caller chose.
#include "standin_win.hpp"
#include "work_times_win.hpp"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string utf8(std::wstring_view text) {
    if (text.empty())
        return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                          nullptr, nullptr);
    return out;
}

std::string json_string(std::wstring_view text) {
    std::string out = "\"";
    for (const char c : utf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::wstring variable(const wchar_t* name) {
    wchar_t buffer[32768];
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, 32768);
    return length > 0 && length < 32768 ? std::wstring(buffer, length) : std::wstring();
}

std::wstring module_path() {
    wchar_t buffer[32768];
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer, 32768);
    return std::wstring(buffer, length);
}

std::wstring file_name_of(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring ascii_lower(std::wstring text) {
    for (auto& c : text)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

bool write_all(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// Copies standard input to standard output and error, so that a test can
// see all three handles arrive.
void echo_standard_input() {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    char chunk[4096];
    DWORD got = 0;
    while (input && input != INVALID_HANDLE_VALUE &&
           ::ReadFile(input, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        write_all(::GetStdHandle(STD_OUTPUT_HANDLE), std::string(chunk, got));
        write_all(::GetStdHandle(STD_ERROR_HANDLE), std::string(chunk, got));
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
bool write_record(const std::wstring& path, const std::string& record) {
    const std::wstring temporary = path + L".tmp" + std::to_wstring(::GetCurrentProcessId());
    const HANDLE file = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool written = write_all(file, record);
    ::CloseHandle(file);
    return written && ::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

std::wstring record_path(const std::wstring& own_path) {
    const std::wstring chosen = variable(L"VELMORA_STANDIN_DOTNET_RECORD");
    if (!chosen.empty())
        return chosen;
    return own_path.substr(0, own_path.size() - file_name_of(own_path).size()) +
           L"dotnet-record.json";
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring own_path = module_path();
    const std::string tool = utf8(ascii_lower(file_name_of(own_path)));
    velmora::time_whole_work(tool);
    if (!velmora::log_start(tool, velmora::utf8_arguments(argc, argv)))
        return velmora::exit_log_failed;
    // The rules are read by the other stand-ins' parser, so that a malformed
    // line fails here as loudly as there.
    const auto rule = velmora::rule_for(tool, utf8(::GetCommandLineW()));
    if (!rule)
        return velmora::exit_bad_rules;
    if (*rule && (*rule)->action == velmora::RuleAction::Stdin)
        echo_standard_input();
    else if (const auto code = velmora::apply_common_action(*rule))
        return static_cast<int>(*code);

    std::string record = "{\n  \"arguments\": [";
    for (int i = 1; i < argc; ++i)
        record += (i > 1 ? ", " : "") + json_string(argv[i]);
    record += "],\n  \"workingDirectory\": " + json_string(current_directory()) +
              ",\n  \"environment\": " + environment_pairs() + "\n}\n";
    return write_record(record_path(own_path), record) ? 0 : 1;
}
