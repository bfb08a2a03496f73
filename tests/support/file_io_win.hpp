#pragma once
// Whole-file and streamed file access for the stand-ins and the tests' file
// chores (harness.hpp); paths are UTF-8.

#include "common/handle_win.hpp"
#include "common/setup_error.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace velmora {

using Bytes = std::span<const unsigned char>;

Result<std::string> read_whole_file(const std::string& path);

// Creates or truncates the file.
Status write_whole_file(const std::string& path, std::string_view bytes);

Result<UniqueFile> open_for_reading(const std::string& path);

// Creates the file, replacing one that exists (even a read-only one).
Result<UniqueFile> create_for_writing(const std::string& path);

// Reads exactly `size` bytes at `offset`; fewer available is an error.
Status read_at(HANDLE file, std::uint64_t offset, std::span<unsigned char> into);

// Reads up to the end or up to `into.size()` bytes from the current position.
Result<std::size_t> read_some(HANDLE file, std::span<unsigned char> into);

Status write_all(HANDLE file, Bytes bytes);

// Appends the line to the file (created when missing) in one write on a
// handle opened for appending only, so that processes appending at the same
// time never overwrite or split each other's lines.
Status append_line(const std::string& path, std::string_view line);

Result<std::uint64_t> file_size(HANDLE file);

bool is_directory(const std::string& path);

} // namespace velmora
