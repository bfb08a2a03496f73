#pragma once
// The text of a failed operating-system operation.

#include "common/setup_error.hpp"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// "<system message without trailing white space> (os error <code>)", or, when
// the system has no message for the code,
// "OS Error <code> (FormatMessageW() returned error <lookup_error>)".
std::string compose_system_error(std::optional<std::string_view> system_message, std::uint32_t code,
                                 std::uint32_t lookup_error);

// What it means that a process could not be opened (OpenProcess's error
// code): "no such process" (ERROR_INVALID_PARAMETER) means it has gone; any
// other error (access denied) leaves it possibly running.
enum class OpenFailure { process_gone, may_still_run };
OpenFailure meaning_of_open_failure(std::uint32_t error_code);

// A rename or delete refused for a moment: a file inside is held open (a
// virus scanner or an indexer opens every new file briefly) or a delete is
// still pending. Access denied, sharing and lock violations, and a folder
// not yet empty.
bool is_transient_file_error(std::uint32_t error_code);

// Runs `attempt` (0 for success, else a system error code) again after a
// short, growing pause while it fails with a transient file error, for about
// 30 s in all; then returns 0, or the first error code unchanged.
using FileAttempt = std::function<std::uint32_t()>;
using Pause = std::function<void(std::chrono::milliseconds)>;
std::uint32_t retry_while_busy(const FileAttempt& attempt, const Pause& pause);

} // namespace velmora
