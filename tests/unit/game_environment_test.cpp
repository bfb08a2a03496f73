#include "launch/game_environment.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace velmora {
namespace {

std::u16string block_of(const std::vector<std::u16string>& entries) {
    std::u16string block;
    for (const auto& entry : entries)
        block += entry + u'\0';
    return block + u'\0';
}

struct EnvironmentCase {
    const char* name;
    std::vector<std::u16string> before;
    std::vector<std::u16string> after;
};

TEST(GameEnvironment, SetsTheRuntimeVariablesAndKeepsEverythingElse) {
    const std::u16string root = u"C:\\Users\\Jo's\\Velmora\\dotnet\\8.0.0";
    const std::u16string r1 = u"DOTNET_ROOT=" + root, r2 = u"DOTNET_ROOT_X64=" + root;
    const EnvironmentCase cases[] = {
        {"empty", {}, {r1, r2}},
        {"sorted insert",
         {u"=C:=C:\\dir", u"ALLUSERSPROFILE=x", u"PATH=C:\\a;C:\\b", u"Z=1"},
         {u"=C:=C:\\dir", u"ALLUSERSPROFILE=x", r1, r2, u"PATH=C:\\a;C:\\b", u"Z=1"}},
        {"replaced in any case",
         {u"A=1", u"dotnet_root=old", u"Dotnet_Root_x64=old", u"DOTNET_ROOT_X86=keep"},
         {u"A=1", r1, r2, u"DOTNET_ROOT_X86=keep"}},
        {"duplicates all removed", {u"DOTNET_ROOT=1", u"DOTNET_ROOT=2", u"B=b"}, {u"B=b", r1, r2}},
        {"value holding equals signs untouched",
         {u"=::=::\\", u"X=a=b"},
         {u"=::=::\\", r1, r2, u"X=a=b"}},
        {"name that only starts like the variable",
         {u"DOTNET_ROOTS=keep"},
         {r1, u"DOTNET_ROOTS=keep", r2}}, // 'S' sorts before '_'

    };
    for (const auto& c : cases) {
        const std::u16string result = make_game_environment(block_of(c.before), root);
        EXPECT_EQ(result, block_of(c.after)) << c.name;
    }
}

TEST(GameEnvironment, KeepsUnpairedSurrogatesOfOtherVariables) {
    const std::u16string odd = std::u16string(u"ODD=") + char16_t(0xD800) + u"x";
    const std::u16string result = make_game_environment(block_of({odd}), u"r");
    EXPECT_EQ(result, block_of({u"DOTNET_ROOT=r", u"DOTNET_ROOT_X64=r", odd}));
}

} // namespace
} // namespace velmora
