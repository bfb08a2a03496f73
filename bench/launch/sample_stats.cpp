#include "sample_stats.hpp"

#include <algorithm>
#include <cmath>

namespace velmora {

double median(std::vector<double> samples) {
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    if (samples.size() % 2 == 1)
        return samples[middle];
    return (samples[middle - 1] + samples[middle]) / 2;
}

double nearest_rank(const std::vector<double>& sorted, double percent) {
    if (sorted.empty())
        return 0;
    // Rank 1 is the smallest sample; a rank is never below 1 or past the end.
    const double rank = std::ceil(percent / 100 * static_cast<double>(sorted.size()));
    const std::size_t index =
        static_cast<std::size_t>(std::clamp(rank, 1.0, static_cast<double>(sorted.size()))) - 1;
    return sorted[index];
}

SampleSummary summarize(std::vector<double> samples) {
    if (samples.empty())
        return {};
    std::sort(samples.begin(), samples.end());
    return {samples.size(), samples.front(), median(samples), nearest_rank(samples, 99),
            samples.back()};
}

} // namespace velmora
