// The stand-in .NET host and the harness that starts it: what a test reads
// from the record must be exactly what the starting side chose, or the game
// launch tests would prove nothing.
#include "common/path.hpp"
#include "support/dotnet_record.hpp"
#include "support/harness.hpp"
#include "support/process_run.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace velmora::test {
namespace {

struct ArgumentCase {
    const char* name;
    std::vector<std::string> arguments;
};

class DotnetStandIn : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(DotnetStandIn, RecordsArgumentsDirectoryAndEnvironmentAsGiven) {
    const std::string scratch = fresh_scratch_folder();
    const std::string host_folder = join_path(scratch, "Jo's runtime Ünïcode");
    place_stand_ins(host_folder, {"dotnet"});
    const std::string work = join_path(scratch, "work dir ✓");
    make_directories(work);
    const std::string record_file = join_path(scratch, "record.json");
    const std::string log_file = join_path(scratch, "starts.log");

    RunOptions options;
    options.program = join_path(host_folder, "dotnet.exe");
    options.arguments = GetParam().arguments;
    options.working_directory = work;
    options.environment = {{std::string(dotnet_record_variable), record_file},
                           {"VELMORA_STANDIN_LOG", log_file},
                           {"VELMORA_PROBE_VALUE", "a = b; ü \"q\""},
                           {"velmora_probe_value", "replaced, any case"},
                           {"VELMORA_PROBE_GONE", "x"},
                           {"Velmora_Probe_Gone", std::nullopt}};
    const RunResult result = run_program(options);

    EXPECT_EQ(result.exit_code, 0u);
    const DotnetRecord record = read_dotnet_record(record_file);
    EXPECT_EQ(record.arguments, GetParam().arguments);
    EXPECT_EQ(record.working_directory, work);
    EXPECT_EQ(values_of(record, "VELMORA_PROBE_VALUE"),
              std::vector<std::string>{"replaced, any case"});
    EXPECT_TRUE(values_of(record, "VELMORA_PROBE_GONE").empty());

    // One line per start: the lower-case own name, then the arguments.
    const std::string log = read_file(log_file).value_or("");
    ASSERT_TRUE(log.ends_with("\n")) << log;
    EXPECT_EQ(log.find('\n'), log.size() - 1) << log;
    std::vector<std::string> expected_log{"dotnet.exe"};
    expected_log.insert(expected_log.end(), GetParam().arguments.begin(),
                        GetParam().arguments.end());
    EXPECT_EQ(nlohmann::json::parse(log).get<std::vector<std::string>>(), expected_log);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, DotnetStandIn,
    ::testing::Values(ArgumentCase{"None", {}},
                      ArgumentCase{"OnePathWithSpaces", {R"(C:\Jo's Velmora Ünïcode\Game.dll)"}},
                      ArgumentCase{"EmptyAndBlank", {"", " ", "a\tb"}},
                      ArgumentCase{"QuotesAndBackslashes",
                                   {R"(a"b)", R"(trailing\)", R"(two\\)", R"(\"x)", R"(c:\d e\)"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DotnetStandInRules, ExitRuleEndsBeforeRecording) {
    const std::string scratch = fresh_scratch_folder();
    place_stand_ins(scratch, {"dotnet"});
    const std::string rules = join_path(scratch, "rules.txt");
    write_test_file(rules,
                    "# the host crashes\ncurl.exe * exit 9\ndotnet.exe Game exit 3221225477\n");
    const std::string record_file = join_path(scratch, "record.json");

    RunOptions options;
    options.program = join_path(scratch, "dotnet.exe");
    options.environment = {{std::string(dotnet_record_variable), record_file},
                           {"VELMORA_STANDIN_RULES", rules}};
    options.arguments = {"Other.dll"};
    EXPECT_EQ(run_program(options).exit_code, 0u) << "the pattern must occur in the command line";
    EXPECT_TRUE(exists(record_file));

    remove_test_tree(record_file);
    options.arguments = {"VelmoraGame.dll"};
    EXPECT_EQ(run_program(options).exit_code, 3221225477u);
    EXPECT_FALSE(exists(record_file));
}

TEST(DotnetStandInRules, RecordFallsBackToTheHostsOwnFolder) {
    const std::string scratch = fresh_scratch_folder();
    const std::string host_folder = join_path(scratch, "host");
    place_stand_ins(host_folder, {"dotnet"});
    RunOptions options;
    options.program = join_path(host_folder, "dotnet.exe");
    options.working_directory = scratch;
    options.environment = {{std::string(dotnet_record_variable), std::nullopt}};
    options.arguments = {"x"};
    EXPECT_EQ(run_program(options).exit_code, 0u);
    EXPECT_EQ(read_dotnet_record(join_path(host_folder, "dotnet-record.json")).arguments,
              std::vector<std::string>{"x"});
}

} // namespace
} // namespace velmora::test
