#include "launch_options.hpp"
#include "launch_plan.hpp"
#include "sample_stats.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

namespace velmora::test {
namespace {

std::vector<double> one_to(int n) {
    std::vector<double> values(n);
    std::iota(values.begin(), values.end(), 1.0);
    return values;
}

TEST(SampleStats, MedianOfUnsortedSamples) {
    const struct {
        std::vector<double> samples;
        double expected;
    } cases[] = {
        {{}, 0},           {{7}, 7},
        {{5, 1, 3}, 3},    {{4, 1, 3, 2}, 2.5},
        {{9, 9, 1, 9}, 9}, {{0.25, 0.75}, 0.5},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(median(c.samples), c.expected) << ::testing::PrintToString(c.samples);
}

TEST(SampleStats, NearestRankPercentiles) {
    const struct {
        std::vector<double> sorted;
        double percent;
        double expected;
    } cases[] = {
        {{}, 99, 0},
        {{42}, 99, 42},
        {one_to(100), 99, 99},
        {one_to(101), 99, 100}, // rank ceil(99.99) = 100
        {one_to(10), 99, 10},
        {one_to(10), 50, 5},
        {one_to(10), 100, 10},
        {one_to(10), 0, 1}, // never below the first rank
        {one_to(200), 99, 198},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(nearest_rank(c.sorted, c.percent), c.expected)
            << c.sorted.size() << " samples, p" << c.percent;
}

TEST(SampleStats, SummaryTakesEveryFigureFromSortedSamples) {
    std::vector<double> samples = one_to(300);
    std::reverse(samples.begin(), samples.end());
    std::swap(samples[10], samples[250]);
    const SampleSummary s = summarize(samples);
    EXPECT_EQ(s.count, 300u);
    EXPECT_DOUBLE_EQ(s.minimum, 1);
    EXPECT_DOUBLE_EQ(s.median, 150.5);
    EXPECT_DOUBLE_EQ(s.p99, 297);
    EXPECT_DOUBLE_EQ(s.maximum, 300);

    const SampleSummary empty = summarize({});
    EXPECT_EQ(empty.count, 0u);
    EXPECT_DOUBLE_EQ(empty.maximum, 0);
}

TEST(LaunchPlan, RoundsAlternateWhichSideGoesFirst) {
    using enum LaunchSide;
    const struct {
        int rounds;
        std::vector<LaunchSide> expected;
    } cases[] = {
        {0, {}},
        {1, {setup, minimal}},
        {3, {setup, minimal, minimal, setup, setup, minimal}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(interleaved_order(c.rounds), c.expected) << c.rounds << " rounds";
}

TEST(LaunchPlan, EachSideRunsOncePerRoundAndLeadsHalfTheRounds) {
    const std::vector<LaunchSide> order = interleaved_order(30);
    ASSERT_EQ(order.size(), 60u);
    int setup_runs = 0, setup_first = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        setup_runs += order[i] == LaunchSide::setup;
        if (i % 2 == 0) {
            setup_first += order[i] == LaunchSide::setup;
            EXPECT_NE(order[i], order[i + 1]) << "round " << i / 2;
        }
    }
    EXPECT_EQ(setup_runs, 30);
    EXPECT_EQ(setup_first, 15);
}

TEST(LaunchPlan, RatioComparesMediansSoOneStallDoesNotDecide) {
    const struct {
        std::vector<double> setup, minimal;
        double expected;
    } cases[] = {
        {{0.2, 0.4, 0.6}, {0.2, 0.2, 0.2}, 2.0},
        {{0.1, 0.1, 5.0}, {0.1, 0.1, 0.1}, 1.0},
        {{0.11, 0.11}, {0.1, 0.1}, 1.1},
        {{0.3}, {}, 0.0},
        {{0.3}, {0.0}, 0.0},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(launch_ratio(c.setup, c.minimal), c.expected, 1e-12);
}

std::vector<std::string> all_paths() {
    return {"--setup",      "S.exe",         "--minimal",
            "M.exe",        "--host",        "C:\\rt\\dotnet.exe",
            "--game",       "G.dll",         "--launcher-directory",
            "C:\\game dir", "--dotnet-root", "C:\\rt",
            "--record",     "R.json"};
}

std::vector<std::string> with(std::vector<std::string> arguments,
                              std::initializer_list<std::string> more) {
    arguments.insert(arguments.end(), more);
    return arguments;
}

std::vector<std::string> without(const std::string& option) {
    std::vector<std::string> arguments = all_paths();
    const auto at = std::find(arguments.begin(), arguments.end(), option);
    arguments.erase(at, at + 2);
    return arguments;
}

TEST(LaunchOptions, EveryOptionLandsInItsOwnField) {
    const auto parsed = parse_launch_options(with(all_paths(), {"--rounds", "7"}));
    ASSERT_TRUE(parsed) << parsed.error().message;
    EXPECT_EQ(parsed->setup, "S.exe");
    EXPECT_EQ(parsed->minimal, "M.exe");
    EXPECT_EQ(parsed->host, "C:\\rt\\dotnet.exe");
    EXPECT_EQ(parsed->game, "G.dll");
    EXPECT_EQ(parsed->launcher_directory, "C:\\game dir");
    EXPECT_EQ(parsed->dotnet_root, "C:\\rt");
    EXPECT_EQ(parsed->record, "R.json");
    EXPECT_EQ(parsed->rounds, 7);

    const auto defaults = parse_launch_options(all_paths());
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->rounds, 30);
}

TEST(LaunchOptions, RefusesWhatWouldTimeTheWrongThing) {
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {without("--setup"), "missing --setup"},
        {without("--record"), "missing --record"},
        {without("--dotnet-root"), "missing --dotnet-root"},
        {with(all_paths(), {"--rounds"}), "missing value after --rounds"},
        {with(all_paths(), {"--rounds", "0"}), "--rounds takes a whole number from 1, not 0"},
        {with(all_paths(), {"--rounds", "-3"}), "--rounds takes a whole number from 1, not -3"},
        {with(all_paths(), {"--rounds", "12x"}), "--rounds takes a whole number from 1, not 12x"},
        {with(all_paths(), {"--rounds", ""}), "--rounds takes a whole number from 1, not "},
        {with(all_paths(), {"--round", "5"}), "unknown option --round"},
        {with(all_paths(), {"S.exe", "--launch"}), "unknown option S.exe"},
        {with(all_paths(), {"--host", ""}), "missing --host"},
    };
    for (const auto& c : cases) {
        const auto parsed = parse_launch_options(c.arguments);
        ASSERT_FALSE(parsed) << c.message;
        EXPECT_EQ(parsed.error().message, c.message);
    }
}

} // namespace
} // namespace velmora::test
