// Each stand-in run as a child process, the way the setup program runs it.

#include "child_process_win.hpp"

#include "common/path.hpp"
#include "install/download.hpp"
#include "install/extract.hpp"
#include "process/powershell.hpp"
#include "support/harness.hpp"
#include "support/tool_sandbox.hpp"
#include "support/zip_writer.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <windows.h>

namespace velmora::test {
namespace {

constexpr std::uint32_t access_violation = 0xC0000005;

std::string binary_content(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    return bytes;
}

// A sandbox with a web root, a log and a rules file wired up.
class StandInTools : public ::testing::Test {
  protected:
    void SetUp() override { make_directories(join_path(web_, "files")); }

    std::string path(std::string_view name) const { return join_path(folder_, name); }
    void rules(const std::string& text) { sandbox_.set_rules(text); }
    std::string log() const { return sandbox_.log_text(); }

    ToolSandbox sandbox_;
    std::string folder_ = u8text(sandbox_.root());
    std::string web_ = u8text(sandbox_.web_root());
};

TEST_F(StandInTools, CurlServesTheWebRootFileByteForByteAndLogsItsStart) {
    const std::string content = binary_content(3 * 1024 * 1024 + 17);
    write_test_file(join_path(web_, "files\\a b.bin"), content);
    const std::string output = path("out.bin");
    const std::string url = "https://host.example/files/a%20b.bin?v=1";
    const auto result = run(stand_in("curl.exe"), curl_arguments(url, output));
    EXPECT_EQ(result.exit_code, 0u) << result.output;
    EXPECT_TRUE(read_file(output) == content);
    EXPECT_EQ(log(), nlohmann::json(curl_line(output, url)).dump() + "\n");
}

TEST_F(StandInTools, CurlFailuresAndRules) {
    write_test_file(join_path(web_, "files\\data.bin"), "0123456789abcdefghij");
    struct Case {
        const char* name;
        std::string rules;
        std::string url;
        std::uint32_t exit_code;
        const char* content; // nullptr: no output file
    };
    const std::string url = "http://h/files/data.bin";
    const Case cases[] = {
        {"served", "", url, 0, "0123456789abcdefghij"},
        {"missing file is 404", "", "http://h/files/none.bin", 22, nullptr},
        {"folder is 404", "", "http://h/files", 22, nullptr},
        {"status rule", "curl.exe data.bin status 500\n", url, 22, nullptr},
        {"short rule", "curl.exe * short 10\n", url, 0, "0123456789"},
        {"exit rule", "curl.exe * exit 3221225477\n", url, access_violation, nullptr},
        {"rule of another tool", "tar.exe * exit 9\n", url, 0, "0123456789abcdefghij"},
        {"pattern not in the url", "curl.exe other.bin exit 9\n", url, 0, "0123456789abcdefghij"},
        {"other scheme", "", "ftp://h/files/data.bin", 1, nullptr},
        {"no scheme", "", "h/files/data.bin", 3, nullptr},
        {"broken rules", "curl.exe * exit\n", url, 97, nullptr},
    };
    for (const Case& c : cases) {
        rules(c.rules);
        const std::string output = path("out.bin");
        remove_test_tree(output);
        const auto result = run(stand_in("curl.exe"), curl_arguments(c.url, output));
        EXPECT_EQ(result.exit_code, c.exit_code) << c.name;
        EXPECT_EQ(exists(output), c.content != nullptr) << c.name;
        if (c.content && exists(output)) {
            EXPECT_EQ(read_file(output), c.content) << c.name;
        }
    }
    rules("");
    auto args = curl_arguments(url, path("out.bin"));
    args.erase(args.begin()); // one short of the program's list
    EXPECT_EQ(run(stand_in("curl.exe"), args).exit_code, 2u);
}

TEST_F(StandInTools, GateHoldsTheToolUntilItsFileExists) {
    write_test_file(join_path(web_, "a.txt"), "gated");
    const std::string gate = path("gate");
    rules("curl.exe * gate " + gate + "\n");
    Child child(stand_in("curl.exe"), curl_arguments("http://h/a.txt", path("out.txt")));
    for (int i = 0; i < 200 && !exists(gate + ".waiting"); ++i)
        ::Sleep(50);
    ASSERT_TRUE(exists(gate + ".waiting"));
    ::Sleep(200);
    EXPECT_TRUE(child.running());
    EXPECT_FALSE(exists(path("out.txt")));
    write_test_file(gate, "");
    EXPECT_EQ(child.finish().exit_code, 0u);
    EXPECT_EQ(read_file(path("out.txt")), "gated");
}

TEST_F(StandInTools, StdinRuleReadsInputToItsEnd) {
    write_test_file(join_path(web_, "a.txt"), "after input");
    rules("curl.exe * stdin\n");
    Child child(stand_in("curl.exe"), curl_arguments("http://h/a.txt", path("out.txt")), true);
    ::Sleep(300);
    EXPECT_TRUE(child.running()); // still reading an open input
    child.close_stdin();
    EXPECT_EQ(child.finish().exit_code, 0u);
    EXPECT_EQ(read_file(path("out.txt")), "after input");
}

const std::string big_text = binary_content(600 * 1024);

std::string sample_zip() {
    return make_zip({{"top.txt", "new top", true},
                     {"dir/", ""},
                     {"dir/stored.txt", "stored content"},
                     {"dir/deeper/big.bin", big_text, true},
                     {"implied/parent.txt", "folder made on the way", true}});
}

void expect_sample_extracted(const std::string& destination) {
    EXPECT_EQ(read_file(join_path(destination, "top.txt")), "new top");
    EXPECT_EQ(read_file(join_path(destination, "dir\\stored.txt")), "stored content");
    EXPECT_TRUE(read_file(join_path(destination, "dir\\deeper\\big.bin")) == big_text);
    EXPECT_EQ(read_file(join_path(destination, "implied\\parent.txt")), "folder made on the way");
}

TEST_F(StandInTools, TarExtractsReplacingFilesAndLeavingOthers) {
    const std::string archive = path("sample.zip");
    write_test_file(archive, sample_zip());
    const std::string destination = path("dest");
    make_directories(destination);
    write_test_file(join_path(destination, "top.txt"), "old top, longer than the new one");
    write_test_file(join_path(destination, "keep.txt"), "kept");
    const auto result = run(stand_in("tar.exe"), tar_arguments(archive, destination));
    ASSERT_EQ(result.exit_code, 0u) << result.output;
    expect_sample_extracted(destination);
    EXPECT_EQ(read_file(join_path(destination, "keep.txt")), "kept");
}

TEST_F(StandInTools, TarReadsAZipThatCMakeWrote) {
    const std::string fixture =
        join_path(build_directory(), "tests\\fakes\\tests\\zip-fixture\\tree.zip");
    const std::string destination = path("dest");
    make_directories(destination);
    const auto result = run(stand_in("tar.exe"), tar_arguments(fixture, destination));
    ASSERT_EQ(result.exit_code, 0u) << result.output;
    EXPECT_EQ(read_file(join_path(destination, "tree\\top.txt")), "top level\n");
    const std::string leaf = must_read(join_path(destination, "tree\\nested\\deeper\\leaf.txt"));
    EXPECT_EQ(leaf.size(), 10 * 1000u);
    EXPECT_EQ(leaf.substr(0, 10), "leaf line\n");
}

TEST_F(StandInTools, TarRefusesBadArchivesAndDestinations) {
    std::string corrupt = sample_zip();
    corrupt[corrupt.find("stored content")] ^= 1; // CRC no longer matches
    struct Case {
        const char* name;
        std::string archive;
        bool make_destination;
        std::uint32_t exit_code;
    };
    const Case cases[] = {
        {"corrupt data", corrupt, true, 1},
        {"not a zip", "plain text, not an archive", true, 1},
        {"escaping entry", make_zip({{"ok.txt", "x"}, {"../evil.txt", "evil"}}), true, 1},
        {"absolute entry", make_zip({{"ok.txt", "x"}, {"/abs.txt", "evil"}}), true, 1},
        {"drive entry", make_zip({{"ok.txt", "x"}, {"C:evil.txt", "evil"}}), true, 1},
        {"missing destination", sample_zip(), false, 1},
    };
    for (const Case& c : cases) {
        const std::string folder = path(std::string("case-") + std::to_string(&c - cases));
        make_directories(folder);
        const std::string archive = join_path(folder, "a.zip");
        write_test_file(archive, c.archive);
        const std::string destination = join_path(folder, "dest");
        if (c.make_destination)
            make_directories(destination);
        EXPECT_EQ(run(stand_in("tar.exe"), tar_arguments(archive, destination)).exit_code,
                  c.exit_code)
            << c.name;
        EXPECT_FALSE(exists(join_path(folder, "evil.txt"))) << c.name;
        EXPECT_FALSE(exists(join_path(destination, "ok.txt"))) << c.name;
        EXPECT_EQ(exists(destination), c.make_destination) << c.name;
    }
    EXPECT_EQ(run(stand_in("tar.exe"), {"-xf", path("a.zip"), path("dest")}).exit_code, 2u);
}

// A file name that breaks PowerShell commands quoted by hand.
const std::string awkward_name = "Jo's $(calc) `n; [x] \xC3\xBC \xE2\x80\xA6";

TEST_F(StandInTools, PowershellDownloadsToTheLiteralPath) {
    write_test_file(join_path(web_, "files\\data.bin"), "payload");
    const std::string output = path(awkward_name + ".bin");
    const auto result =
        run(stand_in("powershell.exe"),
            powershell_arguments(web_request_command("http://h/files/data.bin", output)));
    EXPECT_EQ(result.exit_code, 0u) << result.output;
    EXPECT_EQ(read_file(output), "payload");

    const std::string missing = path("missing.bin");
    EXPECT_EQ(run(stand_in("powershell.exe"),
                  powershell_arguments(web_request_command("http://h/files/none.bin", missing)))
                  .exit_code,
              1u);
    EXPECT_FALSE(exists(missing));
    rules("powershell.exe data.bin status 404\n");
    EXPECT_EQ(run(stand_in("powershell.exe"),
                  powershell_arguments(web_request_command("http://h/files/data.bin", missing)))
                  .exit_code,
              1u);
    EXPECT_FALSE(exists(missing));
}

TEST_F(StandInTools, PowershellExpandsIntoANewDestination) {
    const std::string archive = path(awkward_name + ".zip");
    write_test_file(archive, sample_zip());
    const std::string destination = path("new\\levels\\" + awkward_name);
    const auto result = run(stand_in("powershell.exe"),
                            powershell_arguments(expand_archive_command(archive, destination)));
    ASSERT_EQ(result.exit_code, 0u) << result.output;
    expect_sample_extracted(destination);

    const std::string corrupt = path("corrupt.zip");
    write_test_file(corrupt, "not a zip");
    EXPECT_EQ(run(stand_in("powershell.exe"),
                  powershell_arguments(expand_archive_command(corrupt, path("other"))))
                  .exit_code,
              1u);
}

TEST_F(StandInTools, PowershellRefusesOtherCommandLines) {
    write_test_file(join_path(web_, "a.txt"), "x");
    const std::string good = web_request_command("http://h/a.txt", path("out.txt"));
    std::vector<std::string> reordered = powershell_arguments(good);
    std::swap(reordered[0], reordered[1]);
    const std::vector<std::string> cases[] = {
        powershell_arguments(good.substr(0, good.size() - 1)), // unterminated literal
        powershell_arguments(good + "; Remove-Item x"),        // extra text
        powershell_arguments("Get-ChildItem"),                 // wrong form
        reordered,
        {"-NoProfile", "-Command", good},
    };
    for (const auto& args : cases) {
        EXPECT_EQ(run(stand_in("powershell.exe"), args).exit_code, 1u) << args.back();
        EXPECT_FALSE(exists(path("out.txt"))) << args.back();
    }
}

std::vector<std::string> pid_query(std::uint32_t pid) {
    return {"/FI", "PID eq " + std::to_string(pid), "/NH"};
}

TEST_F(StandInTools, TasklistAnswersFromRealProcesses) {
    const std::uint32_t self = ::GetCurrentProcessId();
    const auto running = run(stand_in("tasklist.exe"), pid_query(self));
    EXPECT_EQ(running.exit_code, 0u);
    EXPECT_NE(running.output.find(" " + std::to_string(self) + " Console"), std::string::npos)
        << running.output;

    const auto gone = run(stand_in("tasklist.exe"), pid_query(4000000000u));
    EXPECT_EQ(gone.exit_code, 0u);
    EXPECT_EQ(gone.output, "INFO: No tasks are running which match the specified criteria.\r\n");
}

TEST_F(StandInTools, TasklistScriptedAndBigAnswers) {
    const std::string script = path("answers.txt");
    write_test_file(script, "first 42\r\n---\r\nsecond 42\n---\nINFO: none\r\n");
    ScopedVariable mode(L"VELMORA_STANDIN_TASKLIST", "@script " + script);
    const char* expected[] = {"first 42\r\n", "second 42\n", "INFO: none\r\n", "INFO: none\r\n"};
    for (const char* answer : expected)
        EXPECT_EQ(run(stand_in("tasklist.exe"), pid_query(42)).output, answer);

    ScopedVariable big(L"VELMORA_STANDIN_TASKLIST", "@big 200000");
    const auto filler = run(stand_in("tasklist.exe"), pid_query(1));
    EXPECT_EQ(filler.exit_code, 0u);
    EXPECT_EQ(filler.output.size(), 200000u);
    EXPECT_EQ(filler.output.find('1'), std::string::npos);
}

TEST_F(StandInTools, TasklistRefusesOtherArgumentsSilently) {
    const std::vector<std::string> cases[] = {{},
                                              {"/FI", "PID eq 42"},
                                              {"/FI", "IMAGENAME eq x.exe", "/NH"},
                                              {"/FI", "PID", "eq 42", "/NH"}};
    for (const auto& args : cases) {
        const auto result = run(stand_in("tasklist.exe"), args);
        EXPECT_EQ(result.exit_code, 1u);
        EXPECT_EQ(result.output, "");
    }
}

TEST_F(StandInTools, LogKeepsArgumentsExactly) {
    rules("tasklist.exe * exit 0\n");
    run(stand_in("tasklist.exe"), {"say \"hi\"", "C:\\dir with blank\\", "", "\xC3\xBC\t"});
    run(stand_in("tar.exe"), {"-xf"});
    EXPECT_EQ(log(), "[\"tasklist.exe\",\"say \\\"hi\\\"\",\"C:\\\\dir with blank\\\\\",\"\","
                     "\"\xC3\xBC\\t\"]\n"
                     "[\"tar.exe\",\"-xf\"]\n");
}

} // namespace
} // namespace velmora::test
