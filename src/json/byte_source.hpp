#pragma once
// Where a JSON document's bytes come from: the parser (parser.hpp) pulls
// them through a ByteSource, so a file is read piece by piece, never whole.

#include "common/setup_error.hpp"

#include <string_view>
#include <utility>

namespace velmora {

// A file read piece by piece, or memory.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // The next bytes; an empty view at the end, a SetupError when reading
    // failed. The view stays valid until the next call.
    virtual Result<std::string_view> next_chunk() = 0;
};

// A document already in memory, handed out in one piece.
class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    Result<std::string_view> next_chunk() override { return std::exchange(bytes_, {}); }

  private:
    std::string_view bytes_;
};

} // namespace velmora
