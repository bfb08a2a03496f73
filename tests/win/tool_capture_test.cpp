#include "process/tool_runner_win.hpp"

#include "common/handle_win.hpp"
#include "support/harness.hpp"
#include "support/tool_sandbox.hpp"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

namespace velmora {
namespace {
namespace fs = std::filesystem;
using test::ToolSandbox;
using namespace std::chrono_literals;

// The stand-in tasklist under a name of its own: the system folder, searched
// before PATH, holds a tasklist.exe of its own.
constexpr std::string_view probe = "velmora-capture-probe.exe";

// A sandbox with the probe on PATH and VELMORA_STANDIN_TASKLIST set for the
// probes started meanwhile.
class CaptureSandbox : public ToolSandbox {
  public:
    explicit CaptureSandbox(const std::optional<std::string>& mode) {
        fs::copy_file(test::u8path(test::stand_in("tasklist.exe")), tools() / probe);
        set_tasklist_mode(mode);
    }
};

const std::vector<std::string> query_42 = {"/FI", "PID eq 42", "/NH"};

// Runs the capture on a thread of its own so that a hang fails the test
// instead of blocking the whole run.
Result<CapturedRun> capture_within(std::chrono::seconds limit, std::string_view tool,
                                   std::vector<std::string> arguments) {
    std::packaged_task<Result<CapturedRun>()> task(
        [tool, arguments] { return capture_tool(tool, arguments); });
    auto result = task.get_future();
    std::thread(std::move(task)).detach();
    if (result.wait_for(limit) != std::future_status::ready)
        return SetupError{"the capture did not finish in time"};
    return result.get();
}

TEST(ToolCapture, DrainsMoreThanAPipeBufferOnEitherStream) {
    {
        CaptureSandbox sandbox("@big 200000");
        const auto run = capture_within(60s, probe, query_42);
        ASSERT_TRUE(run) << run.error().message;
        EXPECT_EQ(run->exit_code, 0u);
        EXPECT_EQ(run->output.size(), 200000u);
        EXPECT_TRUE(std::none_of(run->output.begin(), run->output.end(),
                                 [](unsigned char c) { return c >= 0x30 && c <= 0x39; }));
        EXPECT_EQ(run->output.substr(0, 10), "filler.exe");
        EXPECT_EQ(run->errors, "");
    }
    {
        // A malformed rules line is echoed to standard error in one write:
        // a reader that finished standard output first would wait for good.
        CaptureSandbox sandbox(std::nullopt);
        const std::string line(200000, 'x');
        sandbox.set_rules(line + "\n");
        const auto run = capture_within(60s, probe, query_42);
        ASSERT_TRUE(run) << run.error().message;
        EXPECT_EQ(run->exit_code, 97u); // the stand-in's broken-rules code
        EXPECT_EQ(run->output, "");
        EXPECT_GT(run->errors.size(), line.size());
        EXPECT_NE(run->errors.find(line), std::string::npos);
    }
}

TEST(ToolCapture, KeepsTheStreamsApartAndTheBytesExact) {
    CaptureSandbox sandbox("@bogus");
    auto run = capture_within(60s, probe, query_42);
    ASSERT_TRUE(run) << run.error().message;
    EXPECT_EQ(run->output, "");
    EXPECT_NE(run->errors.find("VELMORA_STANDIN_TASKLIST is not"), std::string::npos)
        << run->errors;

    // Line ends and bytes that are not UTF-8 come back untranslated.
    const fs::path script = sandbox.root() / "answers.txt";
    const std::string answer = "a.exe 42 Console\r\n\xFF\xFE\n\r\n";
    test::write_bytes(script, answer + "---\nsecond\n");
    sandbox.set_tasklist_mode("@script " + test::u8text(script));
    run = capture_within(60s, probe, query_42);
    ASSERT_TRUE(run) << run.error().message;
    EXPECT_EQ(run->output, answer);
    EXPECT_EQ(run->errors, "");
}

TEST(ToolCapture, ArgumentsExitCodesAndEmptyInput) {
    CaptureSandbox sandbox(std::nullopt);
    struct Case {
        std::string rules;
        std::uint32_t exit_code;
    };
    const std::vector<Case> cases = {
        {"tasklist.exe * exit 0\n", 0},
        {"tasklist.exe * exit 1\n", 1},
        {"tasklist.exe * exit 3221225477\n", 0xC0000005u},
        {"tasklist.exe * exit 4294967295\n", 0xFFFFFFFFu},
        // Reads its standard input to the end before answering: no hang.
        {"tasklist.exe * stdin\n", 0},
    };
    for (const Case& c : cases) {
        sandbox.set_rules(c.rules);
        const auto run = capture_within(60s, probe, query_42);
        ASSERT_TRUE(run) << c.rules << run.error().message;
        EXPECT_EQ(run->exit_code, c.exit_code) << c.rules;
    }
    const auto starts = sandbox.log();
    ASSERT_EQ(starts.size(), cases.size());
    for (const auto& start : starts)
        EXPECT_EQ(start, (std::vector<std::string>{"tasklist.exe", "/FI", "PID eq 42", "/NH"}));
}

TEST(ToolCapture, MissingToolOrNulArgumentStartsNothing) {
    CaptureSandbox sandbox(std::nullopt);
    const auto missing = capture_tool("velmora-absent-tool.exe", query_42);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message, "program not found");
    const auto nul = capture_tool(probe, {"/FI",
                                          std::string("PID eq 4\0"
                                                      "2",
                                                      9),
                                          "/NH"});
    ASSERT_FALSE(nul);
    EXPECT_EQ(nul.error().message, "nul byte found in provided data");
    EXPECT_TRUE(sandbox.log().empty());
}

// An inheritable pipe of this program must not leak into the tool: a tool
// holding its write end would keep the pipe from ending while it runs.
TEST(ToolCapture, OnlyTheToolsOwnStreamsAreInherited) {
    CaptureSandbox sandbox(std::nullopt);
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    UniqueHandle read_end, write_end;
    ASSERT_TRUE(::CreatePipe(read_end.put(), write_end.put(), &inherit, 0));

    const fs::path gate = sandbox.root() / "gate";
    sandbox.set_rules("tasklist.exe * gate " + test::u8text(gate) + "\n");
    auto held = std::async(std::launch::async, [] { return capture_tool(probe, query_42); });
    fs::path waiting = gate;
    waiting += ".waiting";
    for (int i = 0; i < 600 && !fs::exists(waiting); ++i)
        std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(fs::exists(waiting));

    write_end.reset();
    DWORD available = 0;
    const BOOL peeked = ::PeekNamedPipe(read_end.get(), nullptr, 0, nullptr, &available, nullptr);
    const DWORD error = ::GetLastError();
    test::write_bytes(gate, "");
    ASSERT_EQ(held.wait_for(60s), std::future_status::ready);
    EXPECT_FALSE(peeked) << "the tool holds a write end of another pipe";
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_BROKEN_PIPE));
    EXPECT_TRUE(held.get());
}

} // namespace
} // namespace velmora
