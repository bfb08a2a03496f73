#include "install/progress_win.hpp"

#include "install/install_sequence_win.hpp"

#include <atomic>

namespace velmora {
namespace {

std::atomic<HWND> progress_window{nullptr};

void post_to_window(UINT message, WPARAM wparam) {
    if (const HWND window = progress_window.load())
        ::PostMessageW(window, message, wparam, 0);
}

} // namespace

void set_progress_window(HWND window) {
    progress_window.store(window);
}

void post_progress(ProgressStage stage) {
    post_to_window(install_stage_message, static_cast<WPARAM>(stage));
}

FailureSlot& failure_slot() {
    static FailureSlot slot;
    return slot;
}

void run_install_worker() {
    auto installed = run_install();
    if (installed) {
        post_to_window(install_succeeded_message, 0);
        return;
    }
    {
        FailureSlot& slot = failure_slot();
        const std::lock_guard guard(slot.lock);
        slot.message = std::move(installed).error().message;
    }
    post_to_window(install_failed_message, 0);
}

} // namespace velmora
