#include "common/text.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace velmora {
namespace {

// Both readers of a process id: any form a caller may write, and only the
// one this program writes into its folders' names.
TEST(ParseProcessId, Forms) {
    struct Case {
        std::string text;
        std::optional<std::uint32_t> id;
        std::optional<std::uint32_t> written;
    };
    const auto none = std::nullopt;
    const std::vector<Case> cases = {
        {"42", 42u, 42u},
        {"+42", 42u, none},
        {"0042", 42u, none},
        {"+0042", 42u, none},
        {"042", 42u, none},
        {"0", 0u, 0u},
        {"000", 0u, none},
        {"4294967295", 4294967295u, 4294967295u},
        {"+4294967295", 4294967295u, none},
        {"00004294967295", 4294967295u, none},
        {"4294967296", none, none},
        {"4294967300", none, none},
        {"99999999999999999999", none, none},
        {"18446744073709551658", none, none}, // 2^64 + 42: no wrap-around
        {"-1", none, none},
        {"-0", none, none},
        {"", none, none},
        {"+", none, none},
        {"-", none, none},
        {"++1", none, none},
        {"+-1", none, none},
        {" 1", none, none},
        {"1 ", none, none},
        {"1 2", none, none},
        {"0x10", none, none},
        {"1e3", none, none},
        {"12a", none, none},
        {"1x", none, none},
        {"1.txt", none, none},
        {"\xD9\xA3", none, none}, // an Arabic-Indic digit is no decimal digit here
        {std::string("1\0", 2), none, none},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parse_process_id(c.text), c.id) << '"' << c.text << '"';
        EXPECT_EQ(parse_written_process_id(c.text), c.written) << '"' << c.text << '"';
    }
}

// The limit is checked before each digit is added, up to the widest one.
TEST(ParseDecimal, LimitHoldsUpToTheWidestValue) {
    EXPECT_EQ(parse_decimal("18446744073709551615", UINT64_MAX), UINT64_MAX);
    EXPECT_EQ(parse_decimal("18446744073709551616", UINT64_MAX), std::nullopt);
    EXPECT_EQ(parse_decimal("100", 100), 100u);
    EXPECT_EQ(parse_decimal("101", 100), std::nullopt);
    EXPECT_EQ(parse_decimal("9", 8), std::nullopt);
}

} // namespace
} // namespace velmora
