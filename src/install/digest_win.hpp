#pragma once
// SHA-256 and SHA-512 through the system's cryptography provider (CNG),
// fed in a streaming pass.

#include "common/handle_win.hpp"
#include "common/setup_error.hpp"
#include "install/manifest.hpp"

#include <bcrypt.h>

#include <cstdint>
#include <span>
#include <vector>

namespace velmora {

// One digest being computed: start, feed any number of chunks, finish once.
class DigestComputation {
  public:
    static Result<DigestComputation> start(DigestAlgorithm algorithm);

    Status update(std::span<const std::uint8_t> bytes);
    Result<std::vector<std::uint8_t>> finish();

  private:
    DigestComputation() = default;

    // Declared first so that it is closed after the hash that uses it.
    UniqueAlgorithm provider_;
    UniqueHash hash_;
    ULONG digest_length_ = 0;
};

// The digest of bytes held in memory.
Result<std::vector<std::uint8_t>> compute_digest(DigestAlgorithm algorithm,
                                                 std::span<const std::uint8_t> bytes);

} // namespace velmora
