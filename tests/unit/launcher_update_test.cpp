#include "app/launcher_update.hpp"
#include "common/text.hpp"

#include <gtest/gtest.h>

#include <deque>

namespace velmora {
namespace {

const std::string request_message = "Invalid launcher update request.";
const std::string id_message = "Invalid launcher process id.";

std::vector<std::string> request_with(std::string id) {
    return {"VelmoraSetup.exe", "--apply-launcher-update", std::move(id), "C:\\u.zip", "C:\\L"};
}

// The id is read by parse_process_id, whose forms text_test tabulates: every
// one of them reaches the request as that parser reads it, and every one it
// refuses is the id message.
TEST(LauncherUpdateRequest, ProcessIdAsTheParserReadsIt) {
    const std::vector<std::string> texts = {
        "42",
        "+42",
        "0042",
        "+0042",
        "0",
        "000",
        "4294967295",
        "+4294967295",
        "00004294967295",
        "4294967296",
        "4294967300",
        "99999999999999999999",
        "18446744073709551658",
        "-1",
        "-0",
        "",
        "+",
        "-",
        "++1",
        "+-1",
        " 1",
        "1 ",
        "1 2",
        "0x10",
        "1e3",
        "12a",
        "\xD9\xA3",
        std::string("1\0", 2),
    };
    for (const std::string& text : texts) {
        const auto id = parse_process_id(text);
        const auto request = parse_launcher_update_request(request_with(text));
        if (id) {
            ASSERT_TRUE(request) << text;
            EXPECT_EQ(request->process_id, *id);
        } else {
            ASSERT_FALSE(request) << text;
            EXPECT_EQ(request.error().message, id_message) << text;
        }
    }
}

TEST(LauncherUpdateRequest, ArgumentCountComesBeforeTheId) {
    using List = std::vector<std::string>;
    const std::vector<List> too_short = {
        {},
        {"setup.exe"},
        {"setup.exe", "--apply-launcher-update"},
        {"setup.exe", "--apply-launcher-update", "42"},
        {"setup.exe", "--apply-launcher-update", "42", "C:\\u.zip"},
        {"setup.exe", "--apply-launcher-update", "-1", "C:\\u.zip"},
        {"setup.exe", "--apply-launcher-update", "", "C:\\u.zip"},
    };
    for (const List& arguments : too_short) {
        const auto request = parse_launcher_update_request(arguments);
        ASSERT_FALSE(request) << arguments.size();
        EXPECT_EQ(request.error().message, request_message) << arguments.size();
    }
}

TEST(LauncherUpdateRequest, PathsPassUnchangedAndLaterElementsAreIgnored) {
    const std::string archive = "..\\Jo's update [1].zip";
    const std::string destination = " C:\\Users\\Jo Smith\\Programs\\Velmora\\ ";
    for (const std::size_t extra : {0u, 1u, 3u}) {
        std::vector<std::string> arguments = {"x", "--apply-launcher-update", "+007", archive,
                                              destination};
        for (std::size_t i = 0; i < extra; ++i)
            arguments.push_back(i == 0 ? "-1" : "");
        const auto request = parse_launcher_update_request(arguments);
        ASSERT_TRUE(request) << extra;
        EXPECT_EQ(request->process_id, 7u);
        EXPECT_EQ(request->archive, archive);
        EXPECT_EQ(request->destination, destination);
    }
    // Empty paths are not judged here either: the extraction meets them.
    const auto empty = parse_launcher_update_request({"x", "y", "1", "", ""});
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->archive, "");
    EXPECT_EQ(empty->destination, "");
}

// A tasklist that answers from a list (the last answer repeating, nullopt
// meaning the tool could not run) and records each call and each pause.
struct FakeTasklist {
    std::deque<std::optional<TasklistAnswer>> answers;
    std::vector<std::vector<std::string>> queries;
    std::vector<std::chrono::milliseconds> pauses;
    std::vector<char> events; // 'q' per query, 'p' per pause, in order

    WaitEnd wait(std::uint32_t id) {
        return wait_for_process_end(
            id,
            [this](const std::vector<std::string>& arguments) {
                queries.push_back(arguments);
                events.push_back('q');
                auto answer = answers.front();
                if (answers.size() > 1)
                    answers.pop_front();
                return answer;
            },
            [this](std::chrono::milliseconds pause) {
                pauses.push_back(pause);
                events.push_back('p');
            });
    }
};

std::optional<TasklistAnswer> answer(std::string output, std::uint32_t exit_code = 0) {
    return TasklistAnswer{exit_code, std::move(output)};
}
std::optional<TasklistAnswer> row(std::string_view pid) {
    return answer("launcher.exe " + std::string(pid) + " Console 1 10,240 K\r\n");
}
const auto gone = answer("INFO: No tasks are running which match the specified criteria.\r\n");

TEST(WaitForProcessEnd, CountsQueriesAndPauses) {
    using Answers = std::vector<std::optional<TasklistAnswer>>;
    struct Case {
        const char* name;
        std::uint32_t id;
        Answers answers;
        WaitEnd end;
        std::size_t queries;
    };
    const std::string invalid = "\xFF\xFE";
    const auto still = WaitEnd::still_running;
    const std::vector<Case> cases = {
        {"already gone", 42, {gone}, WaitEnd::process_gone, 1},
        {"ends after three", 42, {row("42"), row("42"), row("42"), gone}, WaitEnd::process_gone, 4},
        {"never ends", 42, {row("42")}, still, 120},
        {"ends at the last query", 42, {}, WaitEnd::process_gone, 120},
        {"inside a longer number", 42, {row("1425")}, still, 120},
        {"in another column", 10, {answer("x.exe 99 Console 1 10,240 K\r\n")}, still, 120},
        {"another id only", 42, {row("43"), row("42")}, WaitEnd::process_gone, 1},
        {"no leading zeros searched", 7, {row("07"), answer("007")}, still, 120},
        {"id zero", 0, {row("10"), gone}, WaitEnd::process_gone, 2},
        {"between invalid bytes",
         42,
         {answer(invalid + "42" + invalid), gone},
         WaitEnd::process_gone,
         2},
        {"split by an invalid byte",
         42,
         {answer("4\xFF"
                 "2")},
         WaitEnd::process_gone,
         1},
        // Only a real answer tells that the process has gone.
        {"empty answer", 42, {answer("")}, still, 120},
        {"blank answer", 42, {answer(" \r\n")}, still, 120},
        {"error line", 42, {answer("ERROR: Invalid query\r\n", 1)}, still, 120},
        {"tool fails at once", 42, {std::nullopt}, still, 120},
        {"tool fails, then answers",
         42,
         {std::nullopt, answer(""), gone},
         WaitEnd::process_gone,
         3},
    };
    for (Case c : cases) {
        FakeTasklist fake;
        if (std::string_view(c.name) == "ends at the last query") {
            c.answers.assign(119, row("42"));
            c.answers.push_back(gone);
        }
        fake.answers.assign(c.answers.begin(), c.answers.end());
        EXPECT_EQ(fake.wait(c.id), c.end) << c.name;
        EXPECT_EQ(fake.queries.size(), c.queries) << c.name;
        // A pause follows every answer that does not show the process gone.
        const std::size_t pauses = c.end == still ? c.queries : c.queries - 1;
        EXPECT_EQ(fake.pauses.size(), pauses) << c.name;
        for (std::size_t i = 0; i < fake.events.size(); ++i)
            EXPECT_EQ(fake.events[i], i % 2 == 0 ? 'q' : 'p') << c.name << " event " << i;
        for (const auto pause : fake.pauses)
            EXPECT_EQ(pause, std::chrono::milliseconds(250)) << c.name;
    }
}

// A launcher still running at the end of the wait keeps the update from
// being unpacked.
TEST(WaitForProcessEnd, TheEndOfTheWait) {
    EXPECT_TRUE(require_launcher_gone(WaitEnd::process_gone));
    const Status refused = require_launcher_gone(WaitEnd::still_running);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message,
              "The launcher is still running. Close it and start the update again.");
}

TEST(WaitForProcessEnd, QueryArgumentsHoldThePlainDecimalId) {
    for (const auto& [text, filter] : std::vector<std::pair<std::string, std::string>>{
             {"+0042", "PID eq 42"}, {"0", "PID eq 0"}, {"4294967295", "PID eq 4294967295"}}) {
        const auto request = parse_launcher_update_request(request_with(text));
        ASSERT_TRUE(request) << text;
        FakeTasklist fake;
        fake.answers = {gone};
        fake.wait(request->process_id);
        ASSERT_EQ(fake.queries.size(), 1u) << text;
        EXPECT_EQ(fake.queries[0], (std::vector<std::string>{"/FI", filter, "/NH"})) << text;
    }
}

} // namespace
} // namespace velmora
