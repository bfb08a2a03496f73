// The setup manifest as the real program meets it: refused documents end the
// headless install with the exact reader message in the error report and
// nothing written outside the work directory; the other accepted forms
// install.

#include "common/path.hpp"
#include "support/harness.hpp"
#include "support/install_fixture.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace velmora::test {
namespace {

using Json = nlohmann::ordered_json;
using Paths = std::vector<std::string>;

// The published manifest on one line, with one member's JSON text replaced.
std::string one_line_with(Json manifest, std::string_view member, std::string_view text) {
    const std::string marker = "\"" + std::string(member) + "\":";
    manifest[std::string(member)] = "@@";
    std::string document = manifest.dump();
    const std::size_t at = document.find(marker + "\"@@\"");
    return document.replace(at + marker.size(), 4, text);
}

// The column of a fault reported right after `marker` on a one-line document.
std::string column_after(const std::string& document, std::string_view marker) {
    return " at line 1 column " + std::to_string(document.find(marker) + marker.size());
}

Json values_in_order(const Json& manifest) {
    Json values = Json::array();
    for (const auto& [name, value] : manifest.items())
        values.push_back(value);
    return values;
}

struct Refusal {
    std::string name;
    // The document served, given the valid one; nullopt serves none.
    std::function<std::optional<std::string>(const Json&)> document;
    std::function<std::string(const std::string&)> message;
    std::optional<std::string> manifest_url = std::nullopt; // replaces the fixture's
};

class RefusedManifest : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedManifest, EndsTheInstallBeforeAnythingIsWritten) {
    InstallFixture fx;
    const Json valid = fx.publish(standard_release());
    const std::optional<std::string> document = GetParam().document(valid);
    if (document)
        fx.publish_manifest(*document);
    else
        remove_test_tree(join_path(join_path(fx.web_root, "client"), "bootstrap.json"));
    // A longer report of an earlier failure must not shine through.
    write_test_file(fx.report_file(), std::string(300, '#'));
    RunOptions options = fx.install_options();
    if (GetParam().manifest_url)
        options.environment.push_back({"VELMORA_BOOTSTRAP_URL", GetParam().manifest_url});
    const std::string url = GetParam().manifest_url.value_or(fx.manifest_url());

    RunningProgram running(options);
    const auto code = running.wait(120s);
    ASSERT_TRUE(code) << "the install did not end";
    const std::string work = fx.work_directory(running.process_id());
    const std::string target = join_path(work, "bootstrap.json");

    EXPECT_EQ(*code, 1u);
    EXPECT_EQ(fx.report(), GetParam().message(document.value_or("")));
    std::vector<LogLine> expected_log{curl_line(target, url)};
    const bool download_fails = !document || GetParam().manifest_url;
    if (download_fails)
        expected_log.push_back(powershell_download_line(url, target));
    EXPECT_EQ(fx.log_lines(), expected_log);
    EXPECT_EQ(tree_of(fx.install_root), Paths{"VelmoraSetup-error.txt"});
    EXPECT_EQ(tree_of(fx.temp), Paths{}) << "the failed run's work folder is left";
}

std::string invalid(std::string_view reader_message) {
    return "Invalid setup manifest: " + std::string(reader_message);
}

const Refusal refusals[] = {
    {"NotServed", [](const Json&) { return std::nullopt; },
     [](const std::string&) { return std::string("Download failed with exit code 1"); }},
    {"EmptyManifestUrl", [](const Json& m) { return m.dump(); },
     [](const std::string&) { return std::string("Download failed with exit code 1"); }, ""},
    {"SchemaWithFraction", [](const Json& m) { return one_line_with(m, "schema", "1.0"); },
     [](const std::string&) {
         return invalid("invalid type: floating point `1.0`, expected u32 at line 1 column 13");
     }},
    {"NegativeSize", [](const Json& m) { return one_line_with(m, "launcherSize", "-1"); },
     [](const std::string& d) {
         return invalid("invalid value: integer `-1`, expected u64" +
                        column_after(d, "\"launcherSize\":-1"));
     }},
    {"DigestAsNumber", [](const Json& m) { return one_line_with(m, "dotnetSha512", "512"); },
     [](const std::string& d) {
         return invalid("invalid type: integer `512`, expected a string" +
                        column_after(d, "\"dotnetSha512\":512"));
     }},
    {"ArrayOfEleven",
     [](const Json& m) {
         Json values = values_in_order(m);
         values.erase(values.size() - 1);
         return values.dump();
     },
     [](const std::string& d) {
         return invalid("invalid length 11, expected struct BootstrapManifest with 12 elements "
                        "at line 1 column " +
                        std::to_string(d.size()));
     }},
    {"SchemaTwoWithoutRuntimeUrl",
     [](const Json& m) {
         Json changed = m;
         changed["schema"] = 2;
         changed.erase("dotnetUrl");
         return changed.dump();
     },
     [](const std::string& d) {
         return invalid("missing field `dotnetUrl` at line 1 column " + std::to_string(d.size()));
     }},
    {"SchemaInCapitals",
     [](const Json& m) {
         Json changed{{"SCHEMA", 1}};
         for (const auto& [name, value] : m.items())
             if (name != "schema")
                 changed[name] = value;
         return changed.dump();
     },
     [](const std::string& d) {
         return invalid("missing field `schema` at line 1 column " + std::to_string(d.size()));
     }},
    {"SchemaTwo", [](const Json& m) { return one_line_with(m, "schema", "2"); },
     [](const std::string&) { return std::string("This setup manifest is not supported."); }},
    {"SchemaZero", [](const Json& m) { return one_line_with(m, "schema", "0"); },
     [](const std::string&) { return std::string("This setup manifest is not supported."); }},
    {"TrailingText", [](const Json& m) { return m.dump() + " x"; },
     [](const std::string& d) {
         return invalid("trailing characters at line 1 column " + std::to_string(d.size()));
     }},
    {"VersionClimbingOut",
     [](const Json& m) { return one_line_with(m, "dotnetVersion", R"("..\\..\\evil")"); },
     [](const std::string&) { return invalid("`dotnetVersion` is not a valid folder name."); }},
    {"VersionWithSlash",
     [](const Json& m) { return one_line_with(m, "dotnetVersion", R"("a/b")"); },
     [](const std::string&) { return invalid("`dotnetVersion` is not a valid folder name."); }},
};

INSTANTIATE_TEST_SUITE_P(Documents, RefusedManifest, ::testing::ValuesIn(refusals),
                         [](const auto& info) { return info.param.name; });

TEST(ErrorReport, IsWrittenIntoAMissingInstallRoot) {
    InstallFixture fx;
    remove_test_tree(fx.install_root);
    fx.publish_manifest("not json");

    const InstallRun run = fx.install();

    EXPECT_EQ(run.exit_code, 1u);
    EXPECT_TRUE(fx.report().value_or("").starts_with("Invalid setup manifest: "));
    EXPECT_FALSE(exists(join_path(fx.temp, "VelmoraSetup-error.txt")));
    EXPECT_FALSE(exists(fx.work_directory(run.process_id)));
}

struct AcceptedForm {
    std::string name;
    std::function<std::string(const Json&)> document;
};

class AcceptedManifest : public ::testing::TestWithParam<AcceptedForm> {};

TEST_P(AcceptedManifest, Installs) {
    InstallFixture fx;
    fx.publish_manifest(GetParam().document(fx.publish(standard_release())));

    const InstallRun run = fx.install();

    EXPECT_EQ(run.exit_code, 0u) << fx.report().value_or("");
    EXPECT_EQ(read_file(fx.state_file()), fx.expected_state("8.0.11"));
    EXPECT_FALSE(exists(fx.report_file()));
}

const AcceptedForm accepted_forms[] = {
    {"ArrayOfTwelve", [](const Json& m) { return values_in_order(m).dump(); }},
    {"OtherMembersAndWhitespace",
     [](const Json& m) {
         Json changed = m;
         changed["Schema"] = "other";
         changed["notes"] = Json::parse(R"({"schema":[2,null,-1.5e3,{"x":true}]})");
         return "\r\n\t " + changed.dump(3) + " \n\n";
     }},
};

INSTANTIATE_TEST_SUITE_P(Documents, AcceptedManifest, ::testing::ValuesIn(accepted_forms),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace velmora::test
