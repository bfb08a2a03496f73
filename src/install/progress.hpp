#pragma once
// What the install sequence tells whoever watches it: the stage it has
// begun, and how the install worker's run ended.

#include "common/setup_error.hpp"

namespace velmora {

// Install stages 1 to 5, in the order a full install posts them.
enum class ProgressStage : int {
    checking_release = 1,
    downloading_runtime = 2,
    installing_runtime = 3,
    downloading_launcher = 4,
    installing_launcher = 5,
};

// Nobody watches a headless install: the base class hears and does nothing.
// The setup window's sink posts to the window; it is called on the install
// worker's thread and must not wait for the window.
class ProgressSink {
  public:
    virtual ~ProgressSink() = default;
    virtual void stage_begun(ProgressStage) {}
    virtual void install_ended(const Status&) {}
};

} // namespace velmora
