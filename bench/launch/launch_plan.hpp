#pragma once
// The order in which the launch benchmark runs its two programs.

#include <vector>

namespace velmora {

enum class LaunchSide { setup, minimal };

// `rounds` pairs in the order A B, B A, A B, ...: each side runs first as
// often as second, so that a slow drift of the machine's load (or a cache
// that warms over the run) weighs on both sides alike.
std::vector<LaunchSide> interleaved_order(int rounds);

// The setup program's median over the minimal program's median; 0 when the
// minimal program has no time to compare with.
double launch_ratio(const std::vector<double>& setup_seconds,
                    const std::vector<double>& minimal_seconds);

} // namespace velmora
