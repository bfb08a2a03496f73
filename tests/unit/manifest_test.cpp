#include "install/manifest.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

namespace velmora {
namespace {

using Members = std::vector<std::pair<std::string, std::string>>; // name, JSON value

Members complete_manifest() {
    return {
        {"schema", "1"},
        {"launcherVersion", R"("2.4.1")"},
        {"launcherUrl", R"("https://cdn.test/l.zip")"},
        {"launcherSha256", R"("ab12")"},
        {"launcherSize", "1048576"},
        {"dotnetVersion", R"("8.0.7")"},
        {"dotnetUrl", R"("https://cdn.test/d.zip")"},
        {"dotnetSha512", R"("cd34")"},
        {"dotnetSize", "33554432"},
        {"dotnetDesktopUrl", R"("https://cdn.test/w.zip")"},
        {"dotnetDesktopSha512", R"("ef56")"},
        {"dotnetDesktopSize", "18446744073709551615"},
    };
}

std::string as_object(const Members& members) {
    std::string doc = "{";
    for (const auto& [name, value] : members)
        doc += (doc.size() > 1 ? ",\"" : "\"") + name + "\":" + value;
    return doc + "}";
}

std::string as_array(const Members& members) {
    std::string doc = "[";
    for (const auto& member : members)
        doc += (doc.size() > 1 ? "," : "") + member.second;
    return doc + "]";
}

Members with(Members members, const std::string& name, std::optional<std::string> value) {
    for (auto it = members.begin(); it != members.end(); ++it) {
        if (it->first != name)
            continue;
        if (value)
            it->second = *value;
        else
            members.erase(it);
        return members;
    }
    members.emplace_back(name, *value);
    return members;
}

void expect_complete_values(const BootstrapManifest& m, std::uint32_t schema) {
    EXPECT_EQ(m.schema, schema);
    EXPECT_EQ(m.launcherVersion, "2.4.1");
    EXPECT_EQ(m.launcherUrl, "https://cdn.test/l.zip");
    EXPECT_EQ(m.launcherSha256, "ab12");
    EXPECT_EQ(m.launcherSize, 1048576u);
    EXPECT_EQ(m.dotnetVersion, "8.0.7");
    EXPECT_EQ(m.dotnetUrl, "https://cdn.test/d.zip");
    EXPECT_EQ(m.dotnetSha512, "cd34");
    EXPECT_EQ(m.dotnetSize, 33554432u);
    EXPECT_EQ(m.dotnetDesktopUrl, "https://cdn.test/w.zip");
    EXPECT_EQ(m.dotnetDesktopSha512, "ef56");
    EXPECT_EQ(m.dotnetDesktopSize, 18446744073709551615u);
}

TEST(ParseManifest, AcceptsObjectArrayAndAnySchema) {
    Members reversed = complete_manifest();
    std::reverse(reversed.begin(), reversed.end());
    const std::pair<std::string, std::uint32_t> cases[] = {
        {as_object(complete_manifest()), 1},
        {as_object(reversed), 1},
        {as_array(complete_manifest()), 1},
        {as_object(with(complete_manifest(), "extra", R"({"schema":[true,null,-1.5e3]})")), 1},
        {as_object(with(complete_manifest(), "Schema", R"("x")")), 1},
        // The schema is the caller's to judge, after the whole document.
        {as_object(with(complete_manifest(), "schema", "0")), 0},
        {as_object(with(complete_manifest(), "schema", "4294967295")), 4294967295u},
    };
    for (const auto& [doc, schema] : cases) {
        const Result<BootstrapManifest> manifest = parse_manifest(doc);
        ASSERT_TRUE(manifest.ok()) << doc << "\n" << manifest.error().message;
        expect_complete_values(*manifest, schema);
    }
}

struct Refused {
    std::string document;
    std::string message;
};

// The column where a fault right after `marker` is reported, on a one-line document.
std::string after(const std::string& doc, const std::string& marker) {
    return " at line 1 column " + std::to_string(doc.find(marker) + marker.size());
}

std::vector<Refused> refused_cases() {
    std::vector<Refused> cases;
    const std::string float_schema = as_object(with(complete_manifest(), "schema", "1.0"));
    cases.push_back(
        {float_schema, "invalid type: floating point `1.0`, expected u32 at line 1 column 13"});
    const std::string negative = as_object(with(complete_manifest(), "launcherSize", "-1"));
    cases.push_back({negative, "invalid value: integer `-1`, expected u64" +
                                   after(negative, R"("launcherSize":-1)")});
    const std::string too_big =
        as_object(with(complete_manifest(), "dotnetSize", "18446744073709551616"));
    cases.push_back({too_big, "invalid value: integer `18446744073709551616`, expected u64" +
                                  after(too_big, "18446744073709551616")});
    const std::string schema_too_big = as_object(with(complete_manifest(), "schema", "4294967296"));
    cases.push_back(
        {schema_too_big, "invalid value: integer `4294967296`, expected u32 at line 1 column 20"});
    Members eleven = complete_manifest();
    eleven.pop_back();
    const std::string short_array = as_array(eleven);
    cases.push_back({short_array, "invalid length 11, expected struct BootstrapManifest with 12 "
                                  "elements at line 1 column " +
                                      std::to_string(short_array.size())});
    const std::string no_url =
        as_object(with(with(complete_manifest(), "schema", "2"), "dotnetUrl", std::nullopt));
    cases.push_back(
        {no_url, "missing field `dotnetUrl` at line 1 column " + std::to_string(no_url.size())});
    Members renamed = with(complete_manifest(), "schema", std::nullopt);
    renamed.insert(renamed.begin(), {"SCHEMA", "1"});
    const std::string upper = as_object(renamed);
    cases.push_back(
        {upper, "missing field `schema` at line 1 column " + std::to_string(upper.size())});
    const std::string twice = as_object(complete_manifest()) + as_object(complete_manifest());
    cases.push_back({twice, "trailing characters at line 1 column " +
                                std::to_string(as_object(complete_manifest()).size() + 1)});
    const std::string wrong_string = as_array(with(complete_manifest(), "dotnetSha512", "512"));
    cases.push_back({wrong_string, "invalid type: integer `512`, expected a string" +
                                       after(wrong_string, ",512")});
    const std::string map_size = as_object(with(complete_manifest(), "launcherSize", "{}"));
    cases.push_back(
        {map_size, "invalid type: map, expected u64" + after(map_size, R"("launcherSize":{)")});
    return cases;
}

TEST(ParseManifest, RefusesWithTheReadersMessage) {
    for (const auto& c : refused_cases()) {
        const Result<BootstrapManifest> manifest = parse_manifest(c.document);
        ASSERT_FALSE(manifest.ok()) << c.document;
        EXPECT_EQ(manifest.error().message, c.message) << c.document;
    }
}

TEST(ManifestUrl, VariableWinsWhenPresentAndValid) {
    const std::string fallback = default_manifest_url();
    EXPECT_TRUE(fallback.starts_with("https://"));
    EXPECT_TRUE(fallback.ends_with("/client/bootstrap.json"));
    EXPECT_EQ(choose_manifest_url(std::nullopt), fallback);
    EXPECT_EQ(choose_manifest_url(u""), "");
    EXPECT_EQ(choose_manifest_url(u" file:///C:/x y "), " file:///C:/x y ");
    EXPECT_EQ(choose_manifest_url(u"http://h/\u00fc"), "http://h/\xC3\xBC");
    EXPECT_EQ(choose_manifest_url(std::u16string(1, char16_t(0xDC00))), fallback);
}

} // namespace
} // namespace velmora
