#include "json/record_reader.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace velmora {
namespace {

// A record with one field of each kind.
struct Probe {
    std::string text;
    std::uint32_t small = 0;
    std::uint64_t large = 0;
};

Result<Probe> read_probe(ByteSource& source) {
    Probe probe;
    const RecordField fields[] = {
        {"text", &probe.text}, {"small", &probe.small}, {"large", &probe.large}};
    if (Status read = read_record(source, "Probe", fields); !read)
        return std::move(read).error();
    return probe;
}

// Hands the document out one byte per chunk, so that every token and every
// line end straddles a chunk boundary.
class ByteByByteSource final : public ByteSource {
  public:
    explicit ByteByByteSource(std::string_view bytes) : bytes_(bytes) {}
    Result<std::string_view> next_chunk() override {
        if (bytes_.empty())
            return std::string_view();
        const std::string_view one = bytes_.substr(0, 1);
        bytes_.remove_prefix(1);
        return one;
    }

  private:
    std::string_view bytes_;
};

// Hands out its bytes, then fails.
class FailingSource final : public ByteSource {
  public:
    explicit FailingSource(std::string_view bytes) : bytes_(bytes) {}
    Result<std::string_view> next_chunk() override {
        if (!bytes_.empty())
            return std::exchange(bytes_, {});
        return SetupError{"The device is not ready. (os error 21)"};
    }

  private:
    std::string_view bytes_;
};

using SourceFactory = std::function<std::unique_ptr<ByteSource>(std::string_view)>;

struct NamedSource {
    const char* name;
    SourceFactory make;
};

const NamedSource sources[] = {
    {"memory", [](std::string_view d) { return std::make_unique<MemorySource>(d); }},
    {"byte by byte", [](std::string_view d) { return std::make_unique<ByteByByteSource>(d); }},
};

struct Accepted {
    const char* document;
    Probe expected;
};

TEST(JsonRecord, AcceptsEveryFormTheRulesAllow) {
    const std::string nested_127 = std::string(127, '[') + std::string(127, ']');
    const std::string deep = R"({"x":)" + nested_127 + R"(,"text":"a","small":1,"large":2})";
    const Accepted cases[] = {
        {R"({"text":"a","small":1,"large":2})", {"a", 1, 2}},
        {R"({"large":2,"small":1,"text":"a"})", {"a", 1, 2}},
        {R"(["a",1,2])", {"a", 1, 2}},
        {"\r\n{\r\n\t\"large\" :\r\n 2 ,\"small\":1\r\n,\"text\"\t:\"a\"}\r\n  \n", {"a", 1, 2}},
        {" [ \"a\" ,\n 1 , 2 ] ", {"a", 1, 2}},
        // Members of other names, of every type, holding look-alike fields.
        {R"({"s":"x","text":"a","i":-5,"f":1.5e10,"b":true,"c":false,"n":null,)"
         R"("a":[1,{"text":2},[]],"o":{"small":"no","large":[]},"big":99999999999999999999999,)"
         R"("Small":"x","small":1,"large":2})",
         {"a", 1, 2}},
        {R"({"text":"","small":4294967295,"large":18446744073709551615})",
         {"", 4294967295u, 18446744073709551615u}},
        {R"({"text":"x","small":0,"large":-0})", {"x", 0, 0}},
        {R"({"text":"\u00e9\ud83d\ude00\"\\\/\n","small":0,"large":0})",
         {"\xC3\xA9\xF0\x9F\x98\x80\"\\/\n", 0, 0}},
        {"{\"text\":\"C:\\\\Users\\\\J\xC3\xB6rg O'Neil\",\"small\":7,\"large\":8}",
         {"C:\\Users\\J\xC3\xB6rg O'Neil", 7, 8}},
        {deep.c_str(), {"a", 1, 2}},
    };
    for (const auto& source : sources) {
        for (const auto& c : cases) {
            const auto reader = source.make(c.document);
            const Result<Probe> probe = read_probe(*reader);
            ASSERT_TRUE(probe.ok()) << source.name << ": " << c.document << "\n"
                                    << probe.error().message;
            EXPECT_EQ(probe->text, c.expected.text) << c.document;
            EXPECT_EQ(probe->small, c.expected.small) << c.document;
            EXPECT_EQ(probe->large, c.expected.large) << c.document;
        }
    }
}

struct Refused {
    std::string document;
    std::string message;
};

std::vector<Refused> refused_cases() {
    const std::string nested_128 = std::string(128, '[') + std::string(128, ']');
    return {
        // Early end of the input, by what it interrupted.
        {"", "EOF while parsing a value at line 1 column 0"},
        {"   \n  ", "EOF while parsing a value at line 2 column 2"},
        {"{", "EOF while parsing an object at line 1 column 1"},
        {R"({"text")", "EOF while parsing an object at line 1 column 7"},
        {R"({"text":)", "EOF while parsing a value at line 1 column 8"},
        {R"({"text":"ab)", "EOF while parsing a string at line 1 column 11"},
        {R"({"text":"a\)", "EOF while parsing a string at line 1 column 11"},
        {R"({"text":"a\u00)", "EOF while parsing a string at line 1 column 14"},
        {R"({"small":12)", "EOF while parsing an object at line 1 column 11"},
        {R"({"small":1.)", "EOF while parsing a value at line 1 column 11"},
        {R"({"small":-)", "EOF while parsing a value at line 1 column 10"},
        {R"({"small":1-)", "EOF while parsing an object at line 1 column 11"},
        {R"(["a",1,2f)", "EOF while parsing a list at line 1 column 9"},
        {R"({"x":tru)", "EOF while parsing a value at line 1 column 8"},
        {R"({"x":true)", "EOF while parsing an object at line 1 column 9"},
        {R"({"x":[1,{}])", "EOF while parsing an object at line 1 column 11"},
        {R"({"x":[1,{})", "EOF while parsing a list at line 1 column 10"},
        {R"({"text":"a",)", "EOF while parsing a value at line 1 column 12"},
        {"[", "EOF while parsing a list at line 1 column 1"},
        {R"(["a",)", "EOF while parsing a value at line 1 column 5"},
        {R"(["a")", "EOF while parsing a list at line 1 column 4"},
        {"[\"a\",1,2\n", "EOF while parsing a list at line 2 column 0"},
        // Members: missing at the closing brace, duplicate right after the name.
        {"{}", "missing field `text` at line 1 column 2"},
        {R"({"text":"a","small":1})", "missing field `large` at line 1 column 22"},
        {"{\r\n  \"text\":\"a\"\r\n}", "missing field `small` at line 3 column 1"},
        {R"({"text":"a","text":"a","small":1,"large":2})",
         "duplicate field `text` at line 1 column 18"},
        {R"({"small":1,"x":{"small":2},"small":1})", "duplicate field `small` at line 1 column 34"},
        // Array form: its length is judged at the closing bracket.
        {"[]", "invalid length 0, expected struct Probe with 3 elements at line 1 column 2"},
        {R"(["a",1])",
         "invalid length 2, expected struct Probe with 3 elements at line 1 column 7"},
        {R"(["a",1,2,3])",
         "invalid length 4, expected struct Probe with 3 elements at line 1 column 11"},
        {"[1,2,3]", "invalid type: integer `1`, expected a string at line 1 column 2"},
        {R"(["a",[1],2])", "invalid type: sequence, expected u32 at line 1 column 6"},
        // Top-level values that are no record.
        {R"("a")", "invalid type: string \"a\", expected struct Probe at line 1 column 3"},
        {"5", "invalid type: integer `5`, expected struct Probe at line 1 column 1"},
        {" 5 ", "invalid type: integer `5`, expected struct Probe at line 1 column 2"},
        {"-7\n", "invalid type: integer `-7`, expected struct Probe at line 1 column 2"},
        {"1.5", "invalid type: floating point `1.5`, expected struct Probe at line 1 column 3"},
        {"true", "invalid type: boolean `true`, expected struct Probe at line 1 column 4"},
        {"null", "invalid type: null, expected struct Probe at line 1 column 4"},
        // Wrong types, right after the value (after the bracket for containers).
        {R"({"text":5})", "invalid type: integer `5`, expected a string at line 1 column 9"},
        {R"({"text":1.0})",
         "invalid type: floating point `1.0`, expected a string at line 1 column 11"},
        {R"({"text":false})",
         "invalid type: boolean `false`, expected a string at line 1 column 13"},
        {R"({"text":null})", "invalid type: null, expected a string at line 1 column 12"},
        {R"({"text":["a"]})", "invalid type: sequence, expected a string at line 1 column 9"},
        {R"({"text":{}})", "invalid type: map, expected a string at line 1 column 9"},
        {R"({"text":18446744073709551616})",
         "invalid type: integer `18446744073709551616`, expected a string at line 1 column 28"},
        {R"({"small":"x"})", "invalid type: string \"x\", expected u32 at line 1 column 12"},
        {R"({"small":"a\"b\\c\nd"})",
         R"(invalid type: string "a\"b\\c\nd", expected u32 at line 1 column 21)"},
        {R"({"large":true})", "invalid type: boolean `true`, expected u64 at line 1 column 13"},
        {R"({"large":1e3})",
         "invalid type: floating point `1000.0`, expected u64 at line 1 column 12"},
        {R"({"large":2.5E-3})",
         "invalid type: floating point `0.0025`, expected u64 at line 1 column 15"},
        // The shortest text that reads back as the same double.
        {R"({"large":1e4})",
         "invalid type: floating point `10000.0`, expected u64 at line 1 column 12"},
        {R"({"large":1e5})",
         "invalid type: floating point `1e+05`, expected u64 at line 1 column 12"},
        {R"({"large":1.5e20})",
         "invalid type: floating point `1.5e+20`, expected u64 at line 1 column 15"},
        {R"({"large":0.1})",
         "invalid type: floating point `0.1`, expected u64 at line 1 column 12"},
        {R"({"large":-1.5E300})",
         "invalid type: floating point `-1.5e+300`, expected u64 at line 1 column 17"},
        {R"({"large":4.9e-324})",
         "invalid type: floating point `5e-324`, expected u64 at line 1 column 17"},
        {R"({"large":0.30000000000000004})",
         "invalid type: floating point `0.30000000000000004`, expected u64 at line 1 column 28"},
        {R"({"large":1e400})", "number out of range at line 1 column 14"},
        {R"({"small":-0.0})",
         "invalid type: floating point `-0.0`, expected u32 at line 1 column 13"},
        // Integers out of range.
        {R"({"small":4294967296})",
         "invalid value: integer `4294967296`, expected u32 at line 1 column 19"},
        {R"({"small":-1})", "invalid value: integer `-1`, expected u32 at line 1 column 11"},
        {R"({"large":18446744073709551616})",
         "invalid value: integer `18446744073709551616`, expected u64 at line 1 column 29"},
        {R"({"large":-99999999999999999999})",
         "invalid value: integer `-99999999999999999999`, expected u64 at line 1 column 30"},
        {"{\"large\":-1\n}", "invalid value: integer `-1`, expected u64 at line 1 column 11"},
        // Only white space may follow the record.
        {R"({"text":"a","small":1,"large":2} x)", "trailing characters at line 1 column 34"},
        {"[\"a\",1,2]\n\n{}", "trailing characters at line 3 column 1"},
        {"[\"a\",1,2]\r\n\f", "trailing characters at line 2 column 1"},
        // Nesting, counted from the record itself.
        {R"({"x":)" + nested_128 + "}", "recursion limit exceeded at line 1 column 133"},
        // Syntax faults keep the parser's description.
        {R"({"text" "a"})",
         "syntax error while parsing object separator - unexpected string literal; expected ':' "
         "at line 1 column 11"},
        {R"({"text":"a",})", "syntax error while parsing object key - unexpected '}'; expected "
                             "string literal at line 1 "
                             "column 13"},
        // A number's look-ahead byte is not counted.
        {R"(["a",01,2])", "syntax error while parsing array - unexpected number literal; expected "
                          "']' at line 1 column 7"},
        // Quoted document text is cut short and made valid UTF-8; a column
        // counts characters, an ill-formed byte as one.
        {R"({"small":")" + std::string(1000, 'a') + "\"}",
         "invalid type: string \"" + std::string(40, 'a') +
             "\xE2\x80\xA6\", expected u32 at line 1 column 1011"},
        {R"({"large":1)" + std::string(300, '0') + "}",
         "invalid value: integer `1" + std::string(39, '0') +
             "\xE2\x80\xA6`, expected u64 at line 1 column 310"},
        {R"({"text":")" + std::string(1000, 'a') + "\xFF\"}",
         "syntax error while parsing value - invalid string: ill-formed UTF-8 byte; last read: "
         "'\xE2\x80\xA6" +
             std::string(37, 'a') + "\xEF\xBF\xBD' at line 1 column 1010"},
        {"[\"\xC3\xB6\", 1, 2, \xFF]", "syntax error while parsing value - invalid literal; last "
                                       "read: '2, \xEF\xBF\xBD' at line 1 column 13"},
        // Neither a NUL byte nor a byte-order mark is white space.
        {std::string("{\0}", 3),
         "syntax error while parsing object key - invalid character U+0000; "
         "expected string literal at line 1 column 2"},
        {"\xEF\xBB\xBF[\"a\",1,2]",
         "syntax error: byte order mark U+FEFF before the value at line 1 column 1"},
    };
}

TEST(JsonRecord, RefusesWithDescriptionAndPosition) {
    for (const auto& source : sources) {
        for (const auto& c : refused_cases()) {
            const auto reader = source.make(c.document);
            const Result<Probe> probe = read_probe(*reader);
            ASSERT_FALSE(probe.ok()) << source.name << ": " << c.document;
            EXPECT_EQ(probe.error().message, c.message) << source.name << ": " << c.document;
        }
    }
}

TEST(JsonRecord, NestingLimitCountsTheRecordAndHoldsInArraysAndObjects) {
    const auto arrays = [](int n) { return std::string(n, '[') + std::string(n, ']'); };
    std::string objects_127;
    for (int i = 0; i < 127; ++i)
        objects_127 += R"({"k":)";
    objects_127 += "0" + std::string(127, '}');
    const std::string tail = R"(,"text":"a","small":1,"large":2})";
    EXPECT_TRUE(read_probe(*sources[0].make(R"({"x":)" + arrays(127) + tail)).ok());
    EXPECT_TRUE(read_probe(*sources[0].make(R"({"x":)" + objects_127 + tail)).ok());
    const Result<Probe> too_deep =
        read_probe(*sources[0].make(R"({"x":[)" + objects_127 + "]" + tail));
    ASSERT_FALSE(too_deep.ok());
    EXPECT_EQ(too_deep.error().message.rfind("recursion limit exceeded at line 1 column ", 0), 0u);
}

TEST(JsonRecord, ReadFailureReplacesTheParseOutcome) {
    const char* const prefixes[] = {
        "",                                    // nothing read yet
        R"({"text":"a","sm)",                  // inside a member name
        R"({"text":"a","small":1,"large":2})", // complete, while looking for trailing bytes
        R"({"text":5)",                        // found while the parser looks past the number
    };
    for (const char* prefix : prefixes) {
        FailingSource source(prefix);
        const Result<Probe> probe = read_probe(source);
        ASSERT_FALSE(probe.ok()) << prefix;
        EXPECT_EQ(probe.error().message, "The device is not ready. (os error 21)") << prefix;
    }
}

} // namespace
} // namespace velmora
