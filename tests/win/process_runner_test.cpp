#include "process/tool_runner_win.hpp"

#include "support/harness.hpp"
#include "support/tool_sandbox.hpp"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <future>
#include <thread>

namespace velmora {
namespace {
namespace fs = std::filesystem;
using test::ToolSandbox;

std::uint32_t exit_code_of(const ToolOutcome& outcome) {
    const auto* exited = std::get_if<ToolExited>(&outcome);
    if (!exited)
        ADD_FAILURE() << "tool failed: " << std::get<ToolFailed>(outcome).error.message;
    return exited ? exited->exit_code : 0xDEADBEEF;
}

std::string failure_of(const ToolOutcome& outcome) {
    const auto* failed = std::get_if<ToolFailed>(&outcome);
    if (!failed)
        ADD_FAILURE() << "tool exited with " << std::get<ToolExited>(outcome).exit_code;
    return failed ? failed->error.message : std::string();
}

ToolRequest request(std::string tool, std::vector<std::string> arguments) {
    return {std::move(tool), std::move(arguments), std::nullopt, {}};
}

TEST(ProcessRunner, ReportsTheExitCodeAsTheUnsignedValue) {
    ToolSandbox sandbox;
    sandbox.add_tool("curl.exe");
    for (const std::uint32_t code : {0u, 1u, 22u, 255u, 0x80000000u, 0xC0000005u, 0xFFFFFFFFu}) {
        sandbox.set_rules("curl.exe * exit " + std::to_string(code) + "\n");
        EXPECT_EQ(exit_code_of(run_tool(request("curl.exe", {"x"}))), code);
    }
    EXPECT_EQ(sandbox.log().size(), 7u);
}

TEST(ProcessRunner, EachArgumentArrivesUnchanged) {
    ToolSandbox sandbox;
    sandbox.add_tool("curl.exe");
    sandbox.set_rules("curl.exe * exit 0\n");
    const std::vector<std::string> arguments = {
        "plain",
        "",
        "two words",
        "tab\there",
        "C:\\Users\\Jo Smith\\",
        "C:\\ends\\in\\backslash\\",
        "say \"hi\"",
        "back\\\"quote",
        "\\\\server\\share\\",
        "O'Brien $(calc) `tick` a;b [x] \xC3\xA9\xE2\x80\xA6",
        "\"",
        " ",
    };
    EXPECT_EQ(exit_code_of(run_tool(request("curl.exe", arguments))), 0u);
    const auto starts = sandbox.log();
    ASSERT_EQ(starts.size(), 1u);
    std::vector<std::string> expected = {"curl.exe"};
    expected.insert(expected.end(), arguments.begin(), arguments.end());
    EXPECT_EQ(starts[0], expected);
}

TEST(ProcessRunner, MissingToolOrNulArgumentStartsNothing) {
    ToolSandbox sandbox;
    sandbox.add_tool("curl.exe");
    sandbox.set_rules("curl.exe * exit 0\n");
    EXPECT_EQ(failure_of(run_tool(request("velmora-absent-tool.exe", {}))), "program not found");
    EXPECT_EQ(failure_of(run_tool(request("curl.exe", {"a", std::string("b\0c", 3)}))),
              "nul byte found in provided data");
    EXPECT_EQ(failure_of(run_powershell(std::string("x\0", 2))), "program not found");
    EXPECT_TRUE(sandbox.log().empty());
}

TEST(ProcessRunner, ToolReadingStandardInputSeesItsEndAtOnce) {
    ToolSandbox sandbox;
    sandbox.add_tool("curl.exe");
    sandbox.set_rules("curl.exe * stdin\n");
    // A wait that never ends would hang the whole test run; the promise lets
    // the check give up while the runner's thread is still blocked.
    auto promise = std::make_shared<std::promise<ToolOutcome>>();
    auto outcome = promise->get_future();
    std::thread([promise] {
        promise->set_value(run_tool(request("curl.exe", {"--no-such"})));
    }).detach();
    if (outcome.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
        ADD_FAILURE() << "the tool is still waiting for input";
        std::_Exit(1);
    }
    // Past its input the stand-in rejects the argument list, as curl would.
    EXPECT_EQ(exit_code_of(outcome.get()), 2u);
}

TEST(ProcessRunner, OwnFolderThenSystemFolderThenWindowsFolderThenPath) {
    ToolSandbox sandbox;
    // A copy beside this test program, under a name nothing else uses, wins
    // over the same name on PATH.
    const std::string unique = "velmora-order-" + std::to_string(::GetCurrentProcessId()) + ".exe";
    const fs::path curl = test::u8path(test::stand_in("curl.exe"));
    fs::copy_file(curl, sandbox.tools() / unique);
    const fs::path beside = test::u8path(test::own_folder()) / unique;
    fs::copy_file(curl, beside);
    const auto found_beside = find_tool(unique);
    fs::remove(beside);
    ASSERT_TRUE(found_beside.ok()) << found_beside.error().message;
    EXPECT_EQ(test::u8path(*found_beside), beside);

    const auto found_on_path = find_tool(unique);
    ASSERT_TRUE(found_on_path.ok()) << found_on_path.error().message;
    EXPECT_EQ(test::u8path(*found_on_path), sandbox.tools() / unique);

    // The system's own copies win over PATH.
    sandbox.add_tool("tasklist.exe");
    wchar_t system[MAX_PATH], windows[MAX_PATH];
    ASSERT_NE(::GetSystemDirectoryW(system, MAX_PATH), 0u);
    ASSERT_NE(::GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    const auto tasklist = find_tool("tasklist.exe");
    ASSERT_TRUE(tasklist.ok());
    EXPECT_EQ(test::u8path(*tasklist), fs::path(system) / "tasklist.exe");
    // regedit.exe lives in the Windows folder only.
    ASSERT_FALSE(fs::exists(fs::path(system) / "regedit.exe"));
    sandbox.add_tool("curl.exe");
    fs::rename(sandbox.tools() / "curl.exe", sandbox.tools() / "regedit.exe");
    const auto regedit = find_tool("regedit.exe");
    ASSERT_TRUE(regedit.ok());
    EXPECT_EQ(test::u8path(*regedit), fs::path(windows) / "regedit.exe");
}

TEST(ProcessRunner, PathEntriesMayBeQuotedAndHoldSemicolons) {
    ToolSandbox sandbox;
    const fs::path odd = sandbox.root() / "semi;colon dir";
    sandbox.add_tool("curl.exe", odd);
    sandbox.set_rules("curl.exe * exit 7\n");
    EXPECT_EQ(failure_of(run_tool(request("curl.exe", {}))), "program not found");
    sandbox.set_path(L";;" + (sandbox.root() / "missing").wstring() + L";\"" + odd.wstring() +
                     L"\";");
    EXPECT_EQ(exit_code_of(run_tool(request("curl.exe", {}))), 7u);
}

TEST(ProcessRunner, PowerShellGetsItsFixedSwitchesAndOneCommandArgument) {
    ToolSandbox sandbox;
    sandbox.add_tool("powershell.exe");
    sandbox.set_rules("powershell.exe * exit 0\n");
    const std::string command = "Write-Output 'it''s \"here\"'; $x = 1";
    EXPECT_EQ(exit_code_of(run_powershell(command)), 0u);
    const auto starts = sandbox.log();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0], test::powershell_line(command));
}

} // namespace
} // namespace velmora
