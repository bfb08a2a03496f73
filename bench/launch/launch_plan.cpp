#include "launch_plan.hpp"

#include "sample_stats.hpp"

namespace velmora {

std::vector<LaunchSide> interleaved_order(int rounds) {
    std::vector<LaunchSide> order;
    for (int round = 0; round < rounds; ++round) {
        const bool setup_first = round % 2 == 0;
        order.push_back(setup_first ? LaunchSide::setup : LaunchSide::minimal);
        order.push_back(setup_first ? LaunchSide::minimal : LaunchSide::setup);
    }
    return order;
}

double launch_ratio(const std::vector<double>& setup_seconds,
                    const std::vector<double>& minimal_seconds) {
    const double reference = median(minimal_seconds);
    return reference > 0 ? median(setup_seconds) / reference : 0;
}

} // namespace velmora
