#include "process/search_path.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(SplitSearchPath, SemicolonsQuotesAndEmptyEntries) {
    using List = std::vector<std::string>;
    struct Case {
        std::string path;
        List entries;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {";;;", {}},
        {"C:\\a", {"C:\\a"}},
        {"C:\\a;C:\\b", {"C:\\a", "C:\\b"}},
        {";C:\\a;;C:\\b;", {"C:\\a", "C:\\b"}},
        {"C:\\Program Files\\x;D:\\y", {"C:\\Program Files\\x", "D:\\y"}},
        {"\"C:\\semi;colon\";C:\\b", {"C:\\semi;colon", "C:\\b"}},
        {"C:\\a\"b;c\"d;e", {"C:\\ab;cd", "e"}},
        {"\"\";C:\\a", {"C:\\a"}},
        {"\"C:\\quoted\"", {"C:\\quoted"}},
        // An unclosed quote keeps the rest of the value in one entry.
        {"C:\\a;\"C:\\b;C:\\c", {"C:\\a", "C:\\b;C:\\c"}},
        {" ; ", {" ", " "}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(split_search_path(c.path), c.entries) << c.path;
}

} // namespace
} // namespace velmora
