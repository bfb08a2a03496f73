// The optional VELMORA_STANDIN_TIMES record: each stand-in, run as a child
// process, appends one line whose span lies within the parent's view of the
// run and covers the tool's whole work.

#include "child_process_win.hpp"
#include "work_times.hpp"

#include "common/path.hpp"
#include "install/download.hpp"
#include "support/harness.hpp"
#include "support/tool_sandbox.hpp"

#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>

namespace velmora::test {
namespace {

struct TimesLine {
    std::string tool;
    std::int64_t start = 0;
    std::int64_t end = 0;
};

std::vector<TimesLine> parse_times(const std::string& text) {
    std::vector<TimesLine> lines;
    std::istringstream in(text);
    for (std::string row; std::getline(in, row);) {
        std::istringstream fields(row);
        TimesLine line;
        std::string rest;
        EXPECT_TRUE(fields >> line.tool >> line.start >> line.end) << row;
        EXPECT_FALSE(fields >> rest) << "extra field in: " << row;
        lines.push_back(line);
    }
    return lines;
}

std::int64_t host_now() {
    FILETIME now;
    ::GetSystemTimePreciseAsFileTime(&now);
    return unix_microseconds((std::uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

class StandInTimes : public ::testing::Test {
  protected:
    void SetUp() override {
        write_test_file(join_path(u8text(sandbox_.web_root()), "a.bin"), std::string(200000, 'a'));
    }

    std::string path(std::string_view name) const { return join_path(folder_, name); }
    std::vector<TimesLine> times() const {
        return exists(path("times.txt")) ? parse_times(must_read(path("times.txt")))
                                         : std::vector<TimesLine>{};
    }

    ToolSandbox sandbox_;
    std::string folder_ = u8text(sandbox_.root());
    ScopedVariable times_{L"VELMORA_STANDIN_TIMES", path("times.txt")};
    ScopedVariable log_{L"VELMORA_STANDIN_LOG", std::nullopt};
    ScopedVariable record_{L"VELMORA_STANDIN_DOTNET_RECORD", path("record.json")};
};

TEST_F(StandInTimes, EveryToolAppendsOneLineWithinItsRunWhateverItsExitCode) {
    struct Case {
        const char* tool;
        std::vector<std::string> arguments;
        const char* rules;
        std::uint32_t exit_code;
    };
    const Case cases[] = {
        {"curl.exe", curl_arguments("http://h/a.bin", path("out.bin")), "", 0},
        {"curl.exe", curl_arguments("http://h/none.bin", path("out.bin")), "", 22},
        {"curl.exe", curl_arguments("http://h/a.bin", path("out.bin")), "curl.exe * exit 7\n", 7},
        {"curl.exe", curl_arguments("http://h/a.bin", path("out.bin")), "curl.exe * exit\n", 97},
        {"tar.exe", {"-xf"}, "", 2},
        {"powershell.exe", {"-Command", "Get-Date"}, "", 1},
        {"tasklist.exe", {"/FI", "PID eq 4", "/NH"}, "", 0},
        {"dotnet.exe", {"VelmoraGame.dll"}, "", 0},
        {"dotnet.exe", {"VelmoraGame.dll"}, "dotnet.exe *\n", 97}, // no action
    };
    std::size_t count = 0;
    for (const Case& c : cases) {
        write_test_file(path("rules.txt"), c.rules);
        const std::int64_t before = host_now();
        const auto result = run(stand_in(c.tool), c.arguments);
        const std::int64_t after = host_now();
        EXPECT_EQ(result.exit_code, c.exit_code) << c.tool << " " << result.output;

        const auto lines = times();
        ASSERT_EQ(lines.size(), ++count) << c.tool << ": earlier lines must stay";
        const TimesLine& line = lines.back();
        EXPECT_EQ(line.tool, c.tool);
        EXPECT_LE(before, line.start) << c.tool;
        EXPECT_LE(line.start, line.end) << c.tool;
        EXPECT_LE(line.end, after) << c.tool;
    }
}

TEST_F(StandInTimes, SpanCoversTheWorkNotOnlyTheStart) {
    const std::string gate = path("gate");
    write_test_file(path("rules.txt"), "curl.exe * gate " + gate + "\n");
    Child child(stand_in("curl.exe"), curl_arguments("http://h/a.bin", path("out.bin")));
    for (int i = 0; i < 200 && !exists(gate + ".waiting"); ++i)
        ::Sleep(20);
    ASSERT_TRUE(exists(gate + ".waiting"));
    EXPECT_TRUE(times().empty()) << "the line is written at the end, not at the start";
    ::Sleep(400);
    write_test_file(gate, "");
    EXPECT_EQ(child.finish().exit_code, 0u);
    const auto lines = times();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_GE(lines[0].end - lines[0].start, 400'000);
}

TEST_F(StandInTimes, NothingIsWrittenWithoutTheVariable) {
    write_test_file(path("rules.txt"), "");
    for (const std::optional<std::string>& value : {std::optional<std::string>(), {""}}) {
        ScopedVariable unset{L"VELMORA_STANDIN_TIMES", value};
        EXPECT_EQ(
            run(stand_in("curl.exe"), curl_arguments("http://h/a.bin", path("out.bin"))).exit_code,
            0u);
        EXPECT_EQ(run(stand_in("dotnet.exe"), {}).exit_code, 0u);
    }
    EXPECT_FALSE(exists(path("times.txt")));
}

TEST(WorkTimes, FileTimeTicksBecomeUnixMicroseconds) {
    struct Case {
        std::uint64_t ticks;
        std::int64_t microseconds;
    };
    const Case cases[] = {
        {116'444'736'000'000'000ull, 0},                    // 1970-01-01
        {125'911'584'000'000'000ull, 946'684'800'000'000},  // 2000-01-01
        {125'911'584'000'000'019ull, 946'684'800'000'001},  // sub-microsecond ticks dropped
        {133'485'408'000'000'000ull, 1'704'067'200'000'000} // 2024-01-01
    };
    for (const Case& c : cases)
        EXPECT_EQ(unix_microseconds(c.ticks), c.microseconds) << c.ticks;
}

} // namespace
} // namespace velmora::test
