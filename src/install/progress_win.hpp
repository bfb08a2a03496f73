#pragma once
// How the install worker talks to the setup window: posted messages and the
// failure slot.

#include "common/setup_error.hpp"

#include <windows.h>

#include <mutex>
#include <optional>
#include <string>

namespace velmora {

inline constexpr UINT install_succeeded_message = WM_APP + 1; // 0x8001
inline constexpr UINT install_failed_message = WM_APP + 2;    // 0x8002
inline constexpr UINT install_stage_message = WM_APP + 3;     // 0x8003

// Install stages 1 to 5, in the order a full install posts them.
enum class ProgressStage : int {
    checking_release = 1,
    downloading_runtime = 2,
    installing_runtime = 3,
    downloading_launcher = 4,
    installing_launcher = 5,
};

// Written once by the setup window while it is being created.
void set_progress_window(HWND window);

// Posts the stage to the setup window without waiting; no effect without one.
void post_progress(ProgressStage stage);

// The failure message handed from the worker to the window. The window takes
// it out under the lock and releases the lock before it shows the message.
struct FailureSlot {
    std::mutex lock;
    std::optional<std::string> message;
};
FailureSlot& failure_slot();

// The install worker's body: runs the install, then posts the outcome (after
// storing a failure's message in the slot).
void run_install_worker();

} // namespace velmora
