#include "status_watch.hpp"

namespace velmora {

InstallOutcome outcome_of_status(std::string_view status) {
    if (status == "Installed. Ready to play.")
        return InstallOutcome::installed;
    if (status == "Installation failed")
        return InstallOutcome::failed;
    return InstallOutcome::running;
}

bool StatusTimeline::note(double seconds, std::string_view text) {
    if (!changes_.empty() && changes_.back().text == text)
        return false;
    changes_.push_back({seconds, std::string(text)});
    return true;
}

std::string_view StatusTimeline::latest() const {
    return changes_.empty() ? std::string_view() : std::string_view(changes_.back().text);
}

} // namespace velmora
