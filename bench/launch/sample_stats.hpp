#pragma once
// Summaries of timing samples, shared by the launch and window benchmarks.

#include <cstddef>
#include <vector>

namespace velmora {

struct SampleSummary {
    std::size_t count = 0;
    double minimum = 0;
    double median = 0;
    double p99 = 0;
    double maximum = 0;
};

// The middle sample, or the mean of the two middle ones for an even count;
// 0 for no samples.
double median(std::vector<double> samples);

// Nearest-rank percentile of samples sorted in ascending order: the smallest
// sample that at least `percent` per cent of the samples do not exceed.
double nearest_rank(const std::vector<double>& sorted, double percent);

SampleSummary summarize(std::vector<double> samples);

} // namespace velmora
