#include "launch/game_environment.hpp"

#include <array>
#include <vector>

namespace velmora {
namespace {

constexpr std::array<std::u16string_view, 2> runtime_variables = {u"DOTNET_ROOT",
                                                                  u"DOTNET_ROOT_X64"};

char16_t fold(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

// Windows compares variable names without regard to case.
int compare_names(std::u16string_view a, std::u16string_view b) {
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (fold(a[i]) != fold(b[i]))
            return fold(a[i]) < fold(b[i]) ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The name ends at the first '=' after the first character, so that the
// hidden per-drive entries ("=C:=C:\dir") keep their leading '='.
std::u16string_view name_of(std::u16string_view entry) {
    const auto pos = entry.find(u'=', 1);
    return pos == std::u16string_view::npos ? entry : entry.substr(0, pos);
}

std::vector<std::u16string_view> entries_of(std::u16string_view block) {
    std::vector<std::u16string_view> entries;
    while (!block.empty() && block.front() != u'\0') {
        const auto end = block.find(u'\0');
        entries.push_back(block.substr(0, end));
        if (end == std::u16string_view::npos)
            break;
        block.remove_prefix(end + 1);
    }
    return entries;
}

bool is_runtime_variable(std::u16string_view name) {
    for (const auto variable : runtime_variables)
        if (compare_names(name, variable) == 0)
            return true;
    return false;
}

} // namespace

std::u16string make_game_environment(std::u16string_view block, std::u16string_view dotnet_root) {
    std::vector<std::u16string> entries;
    for (const auto entry : entries_of(block))
        if (!is_runtime_variable(name_of(entry)))
            entries.emplace_back(entry);

    // Insert each variable where a sorted block would have it, as Windows
    // keeps its own blocks sorted; hidden "=" entries stay in front.
    for (const auto variable : runtime_variables) {
        auto at = entries.begin();
        while (at != entries.end() &&
               ((*at)[0] == u'=' || compare_names(name_of(*at), variable) < 0))
            ++at;
        std::u16string entry(variable);
        entry += u'=';
        entry += dotnet_root;
        entries.insert(at, std::move(entry));
    }

    std::u16string result;
    for (const auto& entry : entries) {
        result += entry;
        result += u'\0';
    }
    result += u'\0';
    return result;
}

} // namespace velmora
