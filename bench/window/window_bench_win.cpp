// How quickly the setup window answers while it installs. Starts the setup
// program, presses its button, and every 50 ms times a WM_NULL sent to the
// window until the status line reads "Installed. Ready to play." or
// "Installation failed".
//
//   bench_window.exe SETUP_EXE [--timeout-seconds N]
//
// The caller prepares the environment of a demo install (web root, stand-in
// tools beside SETUP_EXE, install root). Prints the status texts with the
// time each appeared, then the answer times as lines "window.NAME VALUE
// UNIT" (answers, answer_max, answer_p99, answer_median). Exit code 0 after
// an install that succeeded, 1 otherwise.

#include "common/command_line.hpp"
#include "common/handle_win.hpp"
#include "common/text_win.hpp"
#include "sample_stats.hpp"
#include "status_watch.hpp"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace velmora {
namespace {

constexpr DWORD probe_period_ms = 50;
// A window that has not answered by then is hung; the probe records this limit.
constexpr UINT answer_limit_ms = 5000;
constexpr int button_id = 1001;

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "bench_window: %s\n", message.c_str());
    std::exit(1);
}

double now_seconds() {
    static const double frequency = [] {
        LARGE_INTEGER value;
        ::QueryPerformanceFrequency(&value);
        return static_cast<double>(value.QuadPart);
    }();
    LARGE_INTEGER value;
    ::QueryPerformanceCounter(&value);
    return static_cast<double>(value.QuadPart) / frequency;
}

struct WindowSearch {
    DWORD process_id;
    HWND found = nullptr;
};

BOOL CALLBACK match_setup_window(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t class_name[64] = {};
    wchar_t title[64] = {};
    ::GetClassNameW(window, class_name, 64);
    ::GetWindowTextW(window, title, 64);
    if (owner == search.process_id && std::wstring(class_name) == L"VelmoraSetupWindow" &&
        std::wstring(title) == L"Velmora Setup") {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND wait_for_window(DWORD process_id, HANDLE process) {
    for (int waited = 0; waited < 30'000; waited += 50) {
        WindowSearch search{process_id};
        ::EnumWindows(match_setup_window, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        if (::WaitForSingleObject(process, 50) == WAIT_OBJECT_0)
            fail("the setup program ended before its window appeared");
    }
    fail("no setup window within 30 s");
}

// A control's text through the window's own thread, as a person's screen reader
// would get it; empty when the window does not answer.
std::string control_text(HWND control) {
    wchar_t buffer[256] = {};
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(control, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer),
                               SMTO_NORMAL, answer_limit_ms, &copied))
        return {};
    return narrow(std::wstring_view(buffer, copied));
}

// The status line: the STATIC child that reads "Ready to install" before the
// button is pressed (the title and description never do).
HWND find_status_label(HWND window) {
    for (HWND child = ::GetWindow(window, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t class_name[32] = {};
        ::GetClassNameW(child, class_name, 32);
        if (::lstrcmpiW(class_name, L"STATIC") == 0 && control_text(child) == "Ready to install")
            return child;
    }
    fail("the setup window has no status line reading \"Ready to install\"");
}

// Milliseconds until the window's thread has handled a WM_NULL.
double answer_time_ms(HWND window) {
    DWORD_PTR result = 0;
    const double start = now_seconds();
    if (!::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, answer_limit_ms, &result))
        return answer_limit_ms;
    return (now_seconds() - start) * 1e3;
}

struct Watch {
    std::vector<double> answers_ms;
    StatusTimeline timeline;
    InstallOutcome outcome = InstallOutcome::running;
};

Watch watch_install(HWND window, HWND status, HANDLE process, double timeout_seconds) {
    Watch watch;
    const double pressed = now_seconds();
    watch.timeline.note(0, control_text(status));
    while (watch.outcome == InstallOutcome::running) {
        const double tick = now_seconds();
        if (tick - pressed > timeout_seconds)
            fail("the install did not end within " + std::to_string(timeout_seconds) + " s");
        if (::WaitForSingleObject(process, 0) == WAIT_OBJECT_0)
            fail("the setup program ended during the install");
        watch.answers_ms.push_back(answer_time_ms(window));
        const std::string text = control_text(status);
        watch.timeline.note(now_seconds() - pressed, text);
        watch.outcome = outcome_of_status(text);
        const double spent_ms = (now_seconds() - tick) * 1e3;
        if (spent_ms < probe_period_ms)
            ::Sleep(static_cast<DWORD>(probe_period_ms - spent_ms));
    }
    return watch;
}

void print_watch(const Watch& watch) {
    for (const StatusChange& change : watch.timeline.changes())
        std::printf("%8.3f s  %s\n", change.seconds, change.text.c_str());
    const SampleSummary s = summarize(watch.answers_ms);
    std::printf("window.answers %zu count\n", s.count);
    std::printf("window.answer_max %.2f ms\n", s.maximum);
    std::printf("window.answer_p99 %.2f ms\n", s.p99);
    std::printf("window.answer_median %.3f ms\n", s.median);
}

int run(int argc, char** argv) {
    if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--timeout-seconds"))
        fail("usage: bench_window.exe SETUP_EXE [--timeout-seconds N]");
    const std::string setup = argv[1];
    const double timeout_seconds = argc == 4 ? std::atof(argv[3]) : 600;
    auto command_line = build_command_line(setup, {});
    if (!command_line)
        fail(command_line.error().message);
    std::wstring command_w = widen(*command_line);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(widen(setup).c_str(), command_w.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, nullptr, &startup, &info))
        fail("cannot start " + setup + " (error " + std::to_string(::GetLastError()) + ")");
    const UniqueHandle process(info.hProcess);
    const UniqueHandle thread(info.hThread);

    const HWND window = wait_for_window(info.dwProcessId, process.get());
    const HWND status = find_status_label(window);
    const HWND button = ::GetDlgItem(window, button_id);
    if (!button)
        fail("the setup window has no button with id 1001");
    ::PostMessageW(button, BM_CLICK, 0, 0);
    const Watch watch = watch_install(window, status, process.get(), timeout_seconds);
    print_watch(watch);

    if (watch.outcome == InstallOutcome::installed) {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(process.get(), 10'000) == WAIT_OBJECT_0)
            return 0;
    }
    // A failure leaves an error box open; nobody is there to close it.
    ::TerminateProcess(process.get(), 1);
    if (watch.outcome == InstallOutcome::failed)
        fail("the install failed");
    fail("the setup window did not close");
}

} // namespace
} // namespace velmora

int main(int argc, char** argv) {
    return velmora::run(argc, argv);
}
