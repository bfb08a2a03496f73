#pragma once
// What the window benchmark reads from the setup window's status line while
// an install runs: when the install has ended, and the texts it went through.

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

enum class InstallOutcome { running, installed, failed };

// "Installed. Ready to play." and "Installation failed" end an install; every
// other text (ready, a stage, "Working…") means it is still running.
InstallOutcome outcome_of_status(std::string_view status);

struct StatusChange {
    double seconds; // since the button was pressed
    std::string text;
};

// The status texts in the order they appeared, each with the time it was
// first seen. Polling sees a text many times; only a change is kept.
class StatusTimeline {
  public:
    // True when `text` differs from the latest text seen.
    bool note(double seconds, std::string_view text);
    const std::vector<StatusChange>& changes() const { return changes_; }
    // The latest text, empty before the first note.
    std::string_view latest() const;

  private:
    std::vector<StatusChange> changes_;
};

} // namespace velmora
