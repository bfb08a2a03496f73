#pragma once
// The process environment, read afresh on every call.

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The variable's value as Windows holds it; nullopt when it is absent. A
// variable present with an empty value is an empty string, not nullopt.
std::optional<std::wstring> environment_variable(std::wstring_view name);

} // namespace velmora
