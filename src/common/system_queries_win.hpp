#pragma once
// What the system reports to this process: its environment, its temporary
// folder, its own executable, and whether a path names an entry.

#include "common/setup_error.hpp"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The variable's value as Windows holds it, read afresh on every call;
// nullopt when it is absent. A variable present with an empty value is an
// empty string, not nullopt.
std::optional<std::wstring> environment_variable(std::wstring_view name);

// A copy of this process's environment block: "NAME=VALUE" entries, each
// ending in NUL, and one more NUL (two NULs alone when the system has none).
std::u16string environment_block();

// The user's temporary directory: GetTempPath2W where the system offers it,
// otherwise GetTempPathW. Ends with a separator, as the system reports it.
Result<std::string> temp_directory();

// Full path of the running executable, as GetModuleFileNameW reports it.
Result<std::string> own_executable_path();

// True when there is an entry of that name at all, a dangling link included:
// for steps that clear the place before they use it, and for finding a file
// among folders. A path holding a NUL names nothing.
bool entry_exists(std::string_view path);

// Sleeps this thread for the duration (a Pause for the waits and retries).
void pause_for(std::chrono::milliseconds duration);

} // namespace velmora
