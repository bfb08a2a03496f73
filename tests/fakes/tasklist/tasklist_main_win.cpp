// Stand-in tasklist.exe: answers "/FI "PID eq N" /NH" from the real process
// table, from a script of answers, or with a large filler (to prove that the
// caller drains a full pipe), as VELMORA_STANDIN_TASKLIST says.

#include "rules.hpp"
#include "standin_win.hpp"
#include "tasklist_answer.hpp"

#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/system_error_win.hpp"
#include "common/text_win.hpp"
#include "support/file_io_win.hpp"

#include <windows.h>

namespace {

using namespace velmora;

constexpr std::string_view tool = "tasklist.exe";

std::string real_answer(std::uint32_t pid) {
    UniqueHandle process(
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid));
    if (!process)
        return std::string(no_tasks_answer);
    if (::WaitForSingleObject(process.get(), 0) != WAIT_TIMEOUT)
        return std::string(no_tasks_answer);
    wchar_t image[MAX_PATH];
    DWORD length = MAX_PATH;
    std::string name = "launcher.exe";
    if (::QueryFullProcessImageNameW(process.get(), 0, image, &length))
        name = std::string(file_name_of(narrow(std::wstring_view(image, length))));
    return tasklist_row(name, pid);
}

// Takes the counter file for itself: no sharing, retried while another
// tasklist.exe holds it, so concurrent queries each get their own number.
Result<UniqueFile> lock_counter(const std::string& path) {
    const std::wstring wide = widen(path);
    for (;;) {
        UniqueFile file(::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            return file;
        const DWORD error = ::GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)
            return system_error(error);
        ::Sleep(10);
    }
}

// The number of this query (from 0), counted in PATH.count.
Result<std::uint64_t> next_query_number(const std::string& script) {
    auto counter = lock_counter(script + ".count");
    if (!counter)
        return std::move(counter).error();
    char digits[32] = {};
    auto read = read_some(counter->get(), std::span(reinterpret_cast<unsigned char*>(digits), 31));
    if (!read)
        return std::move(read).error();
    const std::uint64_t number =
        parse_decimal(std::string_view(digits, *read), UINT64_MAX / 2).value_or(0);
    const std::string next = std::to_string(number + 1);
    if (::SetFilePointer(counter->get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return last_system_error();
    if (auto written =
            write_all(counter->get(),
                      Bytes(reinterpret_cast<const unsigned char*>(next.data()), next.size()));
        !written)
        return std::move(written).error();
    if (!::SetEndOfFile(counter->get()))
        return last_system_error();
    return number;
}

Result<std::string> scripted(const std::string& script) {
    auto number = next_query_number(script);
    if (!number)
        return std::move(number).error();
    auto text = read_whole_file(script);
    if (!text)
        return std::move(text).error();
    return std::string(scripted_answer(split_script_answers(*text), *number));
}

Result<std::string> answer(const TasklistMode& mode, std::uint32_t pid) {
    if (const auto* script = std::get_if<ScriptedAnswers>(&mode))
        return scripted(script->path);
    if (const auto* big = std::get_if<BigAnswer>(&mode))
        return digitless_filler(big->bytes);
    return real_answer(pid);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::string> args = utf8_arguments(argc, argv);
    const auto start = start_stand_in(tool, args, joined_arguments(args));
    if (start.exit_code)
        return static_cast<int>(*start.exit_code);
    const auto pid = parse_tasklist_query(args);
    if (!pid)
        return 1;
    const auto mode = parse_tasklist_mode(environment_text(L"VELMORA_STANDIN_TASKLIST"));
    if (!mode) {
        report(tool, "VELMORA_STANDIN_TASKLIST is not @real, @script PATH or @big N");
        return exit_bad_rules;
    }
    auto text = answer(*mode, *pid);
    if (!text) {
        report(tool, text.error().message);
        return 1;
    }
    return write_stdout(*text) ? 0 : 1;
}
