#pragma once
// A byte source that streams an open file through a fixed buffer.

#include "json/byte_source.hpp"

#include <windows.h>

#include <array>

namespace velmora {

class FileSource final : public ByteSource {
  public:
    // The handle stays owned by the caller and must outlive the source.
    explicit FileSource(HANDLE file) : file_(file) {}
    // A failed read gives the system's error text.
    Result<std::string_view> next_chunk() override;

  private:
    HANDLE file_;
    std::array<char, 64 * 1024> buffer_{};
};

} // namespace velmora
