// The stand-ins' decisions, in-process: rules, URLs, PowerShell literals,
// tasklist answers, the log line and the zip reader.

#include "json_escape.hpp"
#include "powershell_command.hpp"
#include "rules.hpp"
#include "tasklist_answer.hpp"
#include "web_url.hpp"
#include "zip_format.hpp"

#include "support/zip_writer.hpp"

#include <gtest/gtest.h>

namespace velmora::test {
namespace {

TEST(StandInRules, FirstMatchingRuleForTheToolWins) {
    const auto rules = parse_rules("# comment\r\n"
                                   "\n"
                                   "curl.exe /a/ status 500\r\n"
                                   "CURL.EXE * short 10\n"
                                   "tar.exe * exit 3221225477\n"
                                   "powershell.exe x gate C:\\g dir\\file\n"
                                   "tasklist.exe * stdin\n");
    ASSERT_TRUE(rules.ok()) << rules.error().message;
    struct Case {
        std::string_view tool, subject;
        RuleAction action;
        std::uint64_t number;
        std::string_view path;
    };
    const Case cases[] = {
        {"curl.exe", "http://h/a/b", RuleAction::status, 500, ""},
        {"curl.exe", "http://h/b", RuleAction::short_body, 10, ""},
        {"tar.exe", "C:\\x.zip", RuleAction::exit, 3221225477u, ""},
        {"powershell.exe", "http://x", RuleAction::gate, 0, "C:\\g dir\\file"},
        {"tasklist.exe", "/FI PID eq 1 /NH", RuleAction::read_stdin, 0, ""},
    };
    for (const Case& c : cases) {
        const auto rule = find_rule(*rules, c.tool, c.subject);
        ASSERT_TRUE(rule.has_value()) << c.tool << " " << c.subject;
        EXPECT_EQ(rule->action, c.action) << c.subject;
        EXPECT_EQ(rule->number, c.number) << c.subject;
        EXPECT_EQ(rule->path, c.path) << c.subject;
    }
    EXPECT_FALSE(find_rule(*rules, "powershell.exe", "http://h/a").has_value());
    EXPECT_FALSE(find_rule(*rules, "dotnet.exe", "anything").has_value());
}

TEST(StandInRules, MalformedLinesAreReportedWithTheirNumber) {
    const char* bad[] = {"curl.exe *",
                         "curl.exe * exit",
                         "curl.exe * exit -1",
                         "curl.exe * exit 4294967296",
                         "curl.exe * status 1000",
                         "curl.exe * short x",
                         "curl.exe * gate",
                         "curl.exe * stdin now",
                         "curl.exe * explode 1",
                         "curl.exe  * exit 1"};
    for (const char* line : bad) {
        const auto rules = parse_rules(std::string("# ok\n") + line + "\n");
        ASSERT_FALSE(rules.ok()) << line;
        EXPECT_NE(rules.error().message.find("line 2"), std::string::npos) << line;
    }
}

TEST(StandInWebUrl, MapsUrlsBelowTheWebRoot) {
    struct Case {
        std::string_view url;
        std::string_view path;
    };
    const Case cases[] = {
        {"https://velmora.example.com/client/bootstrap.json", "client\\bootstrap.json"},
        {"HTTP://h:8080/a/b.zip?x=1#frag", "a\\b.zip"},
        {"http://h/dir%20with%20blank/%C3%BC.zip", "dir with blank\\\xC3\xBC.zip"},
        {"http://h//a/./b", "a\\b"},
        {"http://h", ""},
    };
    for (const Case& c : cases) {
        const auto mapped = web_relative_path(c.url);
        ASSERT_TRUE(std::holds_alternative<std::string>(mapped)) << c.url;
        EXPECT_EQ(std::get<std::string>(mapped), c.path) << c.url;
    }
}

TEST(StandInWebUrl, RefusesOtherSchemesAndForms) {
    struct Case {
        std::string_view url;
        UrlFault fault;
    };
    const Case cases[] = {
        {"ftp://h/a", UrlFault::unsupported_scheme},
        {"file:///C:/a", UrlFault::unsupported_scheme},
        {"h/a.zip", UrlFault::malformed},
        {"://h/a", UrlFault::malformed},
        {"http:///a", UrlFault::malformed},
        {"http://h/a%2", UrlFault::malformed},
        {"http://h/a%zz", UrlFault::malformed},
        {"http://h/../secret", UrlFault::malformed},
        {"http://h/a/%2E%2E/%2E%2E/x", UrlFault::malformed},
        {"http://h/C:/x", UrlFault::malformed},
        {"http://h/a%5C..%5Cx", UrlFault::malformed},
    };
    for (const Case& c : cases) {
        const auto mapped = web_relative_path(c.url);
        ASSERT_TRUE(std::holds_alternative<UrlFault>(mapped)) << c.url;
        EXPECT_EQ(std::get<UrlFault>(mapped), c.fault) << c.url;
    }
}

// What comes before the cmdlet: no progress bar and stop on error, and before
// a download TLS 1.2 switched on.
const std::string quiet = "$ProgressPreference='SilentlyContinue'; $ErrorActionPreference='Stop'; ";
const std::string tls12 = "try { [Net.ServicePointManager]::SecurityProtocol = "
                          "[Net.ServicePointManager]::SecurityProtocol -bor "
                          "[Net.SecurityProtocolType]::Tls12 } catch {}; ";

TEST(StandInPowershell, ReadsLiteralsAsPowershellDoes) {
    const auto download =
        parse_powershell_command(quiet + tls12 +
                                 "Invoke-WebRequest -UseBasicParsing -Uri 'http://h/a''b' -OutFile "
                                 "'C:\\Jo''s $(x) `n; [a] \xC3\xBC\xE2\x80\x98\xE2\x80\x98\\'''");
    ASSERT_TRUE(download.has_value());
    const auto& web = std::get<WebRequestCommand>(*download);
    EXPECT_EQ(web.url, "http://h/a'b");
    EXPECT_EQ(web.out_file, "C:\\Jo's $(x) `n; [a] \xC3\xBC\xE2\x80\x98\\'");

    const auto expand = parse_powershell_command(
        quiet + "Expand-Archive -LiteralPath '''' -DestinationPath 'D:\\x y' -Force");
    ASSERT_TRUE(expand.has_value());
    EXPECT_EQ(std::get<ExpandArchiveCommand>(*expand).archive, "'");
    EXPECT_EQ(std::get<ExpandArchiveCommand>(*expand).destination, "D:\\x y");
}

TEST(StandInPowershell, RefusesEveryOtherText) {
    const std::string web = quiet + tls12 + "Invoke-WebRequest -UseBasicParsing -Uri ";
    const std::string download = "Invoke-WebRequest -UseBasicParsing -Uri 'u' -OutFile 'f'";
    const std::string bad[] = {
        download,                                             // no preamble
        quiet + download,                                     // no TLS 1.2
        "$ErrorActionPreference='Stop'; " + tls12 + download, // progress bar left on
        web + "'u' -OutFile 'f",                              // unterminated
        quiet + tls12 + download + " ",                       // text after the end
        quiet + tls12 + download + "; Remove-Item x",
        web + "'u'' -OutFile 'f'", // quote swallowed
        // A typographic quote ends the literal too, unless doubled.
        web + "'O\xE2\x80\x99"
              "Brien' -OutFile 'f'",
        quiet + tls12 + "Invoke-WebRequest -Uri 'u' -OutFile 'f'",
        quiet + "Expand-Archive -LiteralPath 'a' -DestinationPath 'd'", // no -Force
        quiet + "Expand-Archive -Path 'a' -DestinationPath 'd' -Force",
        quiet + tls12 + "Expand-Archive -LiteralPath 'a' -DestinationPath 'd' -Force",
        web + "\"u\" -OutFile 'f'",
        "",
    };
    for (const std::string& text : bad)
        EXPECT_FALSE(parse_powershell_command(text).has_value()) << text;
}

TEST(StandInTasklist, AcceptsOnlyTheQueryForm) {
    using Args = std::vector<std::string>;
    EXPECT_EQ(parse_tasklist_query({"/FI", "PID eq 42", "/NH"}), 42u);
    EXPECT_EQ(parse_tasklist_query({"/FI", "PID eq 4294967295", "/NH"}), 4294967295u);
    const Args bad[] = {{"/FI", "PID eq 42"},         {"/FI", "PID eq 42", "/NH", "x"},
                        {"/fi", "PID eq 42", "/NH"},  {"/FI", "PID eq", "/NH"},
                        {"/FI", "PID eq +42", "/NH"}, {"/FI", "PID eq 4294967296", "/NH"},
                        {"/FI", "PID  eq 42", "/NH"}, {"/FI", "PID", "eq 42", "/NH"}};
    for (const Args& args : bad)
        EXPECT_FALSE(parse_tasklist_query(args).has_value()) << args.size() << " " << args[1];
}

TEST(StandInTasklist, ModesAndScriptedAnswers) {
    EXPECT_TRUE(std::holds_alternative<RealProcesses>(*parse_tasklist_mode(std::nullopt)));
    EXPECT_EQ(std::get<ScriptedAnswers>(*parse_tasklist_mode("@script C:\\a b")).path, "C:\\a b");
    EXPECT_EQ(std::get<BigAnswer>(*parse_tasklist_mode("@big 70000")).bytes, 70000u);
    for (std::string_view bad : {"", "@big", "@big x", "@script ", "real", "@real "})
        EXPECT_FALSE(parse_tasklist_mode(bad).has_value()) << bad;

    const auto answers = split_script_answers("a 1\r\n---\r\n---\nb 2\nc\n---\nlast");
    ASSERT_EQ(answers.size(), 4u);
    EXPECT_EQ(answers[0], "a 1\r\n");
    EXPECT_EQ(answers[1], "");
    EXPECT_EQ(answers[2], "b 2\nc\n");
    EXPECT_EQ(scripted_answer(answers, 3), "last");
    EXPECT_EQ(scripted_answer(answers, 99), "last");
}

TEST(StandInTasklist, FillerHasTheExactSizeAndNoDigits) {
    for (std::uint64_t size : {0u, 1u, 59u, 60u, 61u, 100000u}) {
        const std::string filler = digitless_filler(size);
        EXPECT_EQ(filler.size(), size);
        EXPECT_EQ(filler.find_first_of("0123456789"), std::string::npos);
    }
    EXPECT_NE(tasklist_row("launcher.exe", 4711).find(" 4711 "), std::string::npos);
    EXPECT_TRUE(tasklist_row("launcher.exe", 4711).ends_with(" K\r\n"));
}

TEST(StandInLog, EscapesJsonStrings) {
    EXPECT_EQ(json_string_array({"curl.exe", "a\"b", "C:\\x\\", "t\tn\n\x01", "\xC3\xBC"}),
              "[\"curl.exe\",\"a\\\"b\",\"C:\\\\x\\\\\",\"t\\tn\\n\\u0001\",\"\xC3\xBC\"]");
    EXPECT_EQ(json_string_array({}), "[]");
}

TEST(StandInZip, EntryTargetsStayBelowTheDestination) {
    struct Case {
        std::string_view name;
        const char* target; // nullptr: refused
    };
    const Case cases[] = {
        {"a/b/c.txt", "a\\b\\c.txt"},
        {"a\\b", "a\\b"},
        {"./a//b/", "a\\b"},
        {"a..b/..c", "a..b\\..c"},
        {"../evil.txt", nullptr},
        {"a/../../x", nullptr},
        {"a/..", nullptr},
        {"/abs", nullptr},
        {"\\abs", nullptr},
        {"C:/x", nullptr},
        {"C:x", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        const auto target = entry_target(c.name);
        EXPECT_EQ(target.ok(), c.target != nullptr) << c.name;
        if (target.ok() && c.target) {
            EXPECT_EQ(*target, c.target) << c.name;
        }
    }
}

// Decodes every entry of an in-memory archive through the reader, feeding the
// data in small pieces so that the decoder's piecewise path is used.
Result<std::vector<std::string>> decode_all(const std::string& archive) {
    const Bytes bytes(reinterpret_cast<const unsigned char*>(archive.data()), archive.size());
    const auto tail_size = std::min<std::size_t>(archive.size(), zip_tail_size);
    auto location = find_central_directory(bytes.subspan(bytes.size() - tail_size), bytes.size());
    if (!location)
        return std::move(location).error();
    auto entries = parse_central_directory(bytes.subspan(location->offset, location->size),
                                           *location, bytes.size());
    if (!entries)
        return std::move(entries).error();
    std::vector<std::string> contents;
    for (const ZipEntry& entry : *entries) {
        auto offset = local_data_offset(bytes.subspan(entry.local_header_offset));
        if (!offset)
            return std::move(offset).error();
        Bytes data = bytes.subspan(entry.local_header_offset + *offset, entry.compressed_size);
        std::string content;
        EntryDecoder decoder(entry);
        Status status = decoder.start();
        const ByteSink sink = [&](Bytes piece) {
            content.append(reinterpret_cast<const char*>(piece.data()), piece.size());
            return Status();
        };
        for (std::size_t at = 0; status && at < data.size(); at += 7)
            status =
                decoder.feed(data.subspan(at, std::min<std::size_t>(7, data.size() - at)), sink);
        if (status)
            status = decoder.finish();
        if (!status)
            return std::move(status).error();
        contents.push_back(std::move(content));
    }
    return contents;
}

TEST(StandInZip, DecodesStoredAndDeflatedEntries) {
    std::string big;
    for (int i = 0; i < 200000; ++i)
        big += static_cast<char>('a' + (i * 7919 % 26)); // larger than the inflate buffer
    const auto decoded = decode_all(make_zip({{"dir/", ""},
                                              {"dir/stored.txt", "stored bytes"},
                                              {"big.bin", big, true},
                                              {"empty", "", true},
                                              {"empty-stored", ""}}));
    ASSERT_TRUE(decoded.ok()) << decoded.error().message;
    const std::vector<std::string> expected{"", "stored bytes", big, "", ""};
    EXPECT_EQ(*decoded, expected);
}

TEST(StandInZip, DetectsDamage) {
    const std::string good = make_zip({{"a.txt", "hello hello hello hello", true}, {"b", "xyz"}});
    struct Case {
        const char* what;
        std::string archive;
    };
    auto flip = [&](std::size_t at) {
        std::string damaged = good;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x55);
        return damaged;
    };
    const std::size_t b_data = good.find("xyz");
    const Case cases[] = {
        {"stored data changed", flip(b_data)},
        {"deflate data changed", flip(30 + 5 + 1)},
        {"local signature", flip(0)},
        {"truncated", good.substr(0, good.size() - 10)},
        {"empty", ""},
        {"not a zip", std::string(100, 'x')},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(decode_all(c.archive).ok()) << c.what;
}

} // namespace
} // namespace velmora::test
