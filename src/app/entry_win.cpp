// The program's entry: read the command line once, run one mode on the main
// thread, report a failure the way that mode reports failures, and end.
#include "app/error_report_win.hpp"
#include "app/launcher_update_win.hpp"
#include "app/run_mode.hpp"
#include "common/command_line.hpp"
#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/system_queries_win.hpp"
#include "common/texts.hpp"
#include "install/install_layout.hpp"
#include "install/install_sequence_win.hpp"
#include "launch/launch_game_win.hpp"
#include "window/setup_window_win.hpp"

#include <windows.h>

#include <cstdlib>

namespace velmora {
namespace {

std::vector<std::string> argument_list() {
    return command_line_arguments(reinterpret_cast<const char16_t*>(::GetCommandLineW()));
}

std::string own_file_name() {
    auto path = own_executable_path();
    return path ? std::string(file_name_of(*path)) : std::string();
}

// One setup at a time per install root: a second headless install would
// delete and replace the first one's runtime under it.
Status install_headless(const InstallLayout& layout) {
    VELMORA_TRY_ASSIGN(const std::optional<UniqueHandle> lock, take_install_lock(layout));
    if (!lock)
        return SetupError{std::string(another_setup_running_message)};
    ProgressSink unwatched;
    return run_install(layout, unwatched);
}

// A second click on the setup shows the window of the first instead; a
// headless install (or a window not yet open) is told in the error box. Without
// a root or a lock (neither should happen) the window still opens: its
// install reports what is wrong.
Status open_setup_window() {
    std::optional<UniqueHandle> lock;
    if (const auto layout = install_layout()) {
        if (auto taken = take_install_lock(*layout)) {
            if (!*taken) {
                if (bring_setup_window_to_front())
                    return {};
                return SetupError{std::string(another_setup_running_message)};
            }
            lock = std::move(*taken);
        }
    }
    return run_setup_window(show_error_box);
}

int run() {
    const std::vector<std::string> arguments = argument_list();
    const RunMode mode = choose_run_mode(arguments, own_file_name());
    if (mode == RunMode::headless_install) {
        // The root first: without one there is nothing to install into, and
        // the report goes to the temporary folder instead.
        const Result<InstallLayout> layout = install_layout();
        const Status installed = layout ? install_headless(*layout) : Status(layout.error());
        if (installed)
            return 0;
        write_error_report(layout ? &*layout : nullptr, installed.error().message);
        return 1;
    }
    Status outcome = mode == RunMode::launcher_update ? apply_launcher_update(arguments)
                     : mode == RunMode::launch        ? launch_game()
                                                      : open_setup_window();
    if (!outcome)
        show_error_box(outcome.error().message);
    return 0;
}

} // namespace
} // namespace velmora

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // The DLLs mapped at their first call come from the system folder only,
    // never from the folder this setup program was downloaded to. Should the
    // call fail, the loader's default order still works: nothing to report.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Ending the process here, not returning, also ends an install worker
    // that may still be running in the interactive mode.
    ::ExitProcess(static_cast<UINT>(velmora::run()));
}

#if defined(__GLIBCXX__)
// A GUI process has no standard error to print an escaping exception's
// demangled type to; the runtime's default handler would only add its
// demangler (about a fifth of the executable). Ending at once is the same
// outcome without it.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx
#endif
