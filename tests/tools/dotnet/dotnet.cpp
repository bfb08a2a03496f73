// Stand-in for the .NET host dotnet.exe. Every start is logged and then
// recorded as one JSON object:
//   {"arguments": [...], "workingDirectory": "...",
//    "environment": [["NAME", "value"], ...]}
// The environment keeps the block's order and its hidden "=C:" entries, and
// pairs rather than an object so that a duplicated name would show. The record
// goes to VELMORA_STANDIN_DOTNET_RECORD, else to dotnet-record.json beside this
// executable: neither depends on the working directory the caller chose.
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

std::wstring wide(std::string_view text) {
    if (text.empty())
        return {};
    const int size =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
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

// One line per start, written by a single WriteFile on an append handle so that
// concurrent stand-ins never interleave their lines.
void log_start(const std::wstring& own_name, int argc, wchar_t** argv) {
    const std::wstring log = variable(L"VELMORA_STANDIN_LOG");
    if (log.empty())
        return;
    std::string line = "[" + json_string(own_name);
    for (int i = 1; i < argc; ++i)
        line += "," + json_string(argv[i]);
    line += "]\n";
    const HANDLE file = ::CreateFileW(log.c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    write_all(file, line);
    ::CloseHandle(file);
}

std::string read_file(const std::wstring& path) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    ::CloseHandle(file);
    return bytes;
}

struct Rule {
    std::string action;
    std::string value;
};

// The first rules line for this tool whose pattern is "*" or occurs in the
// command line. Lines: "TOOL PATTERN ACTION [VALUE]".
bool find_rule(const std::string& own_name, const std::string& subject, Rule& rule) {
    const std::wstring path = variable(L"VELMORA_STANDIN_RULES");
    if (path.empty())
        return false;
    const std::string text = read_file(path);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const auto tool_end = line.find(' ');
        const auto pattern_end =
            tool_end == std::string::npos ? std::string::npos : line.find(' ', tool_end + 1);
        if (pattern_end == std::string::npos)
            continue;
        if (utf8(ascii_lower(wide(line.substr(0, tool_end)))) != own_name)
            continue;
        const std::string pattern = line.substr(tool_end + 1, pattern_end - tool_end - 1);
        if (pattern != "*" && subject.find(pattern) == std::string::npos)
            continue;
        const auto action_end = line.find(' ', pattern_end + 1);
        rule.action = line.substr(pattern_end + 1, action_end - pattern_end - 1);
        rule.value = action_end == std::string::npos ? std::string() : line.substr(action_end + 1);
        return true;
    }
    return false;
}

bool exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void wait_at_gate(const std::wstring& gate) {
    const HANDLE marker = ::CreateFileW((gate + L".waiting").c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE)
        ::CloseHandle(marker);
    while (!exists(gate))
        ::Sleep(50);
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
    const std::wstring own_name = ascii_lower(file_name_of(own_path));
    velmora::time_whole_work(utf8(own_name));
    log_start(own_name, argc, argv);

    Rule rule;
    if (find_rule(utf8(own_name), utf8(::GetCommandLineW()), rule)) {
        if (rule.action == "exit")
            return static_cast<int>(std::stoul(rule.value));
        if (rule.action == "gate")
            wait_at_gate(wide(rule.value));
        else if (rule.action == "stdin")
            echo_standard_input();
    }

    std::string record = "{\n  \"arguments\": [";
    for (int i = 1; i < argc; ++i)
        record += (i > 1 ? ", " : "") + json_string(argv[i]);
    record += "],\n  \"workingDirectory\": " + json_string(current_directory()) +
              ",\n  \"environment\": " + environment_pairs() + "\n}\n";
    return write_record(record_path(own_path), record) ? 0 : 1;
}
