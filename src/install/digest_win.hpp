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

struct AlgorithmProviderTraits {
    using type = BCRYPT_ALG_HANDLE;
    static type invalid() { return nullptr; }
    static void close(type h) { ::BCryptCloseAlgorithmProvider(h, 0); }
};

struct HashHandleTraits {
    using type = BCRYPT_HASH_HANDLE;
    static type invalid() { return nullptr; }
    static void close(type h) { ::BCryptDestroyHash(h); }
};

using UniqueAlgorithmProvider = UniqueResource<AlgorithmProviderTraits>;
using UniqueHashHandle = UniqueResource<HashHandleTraits>;

// The text of a failed CNG call, by the system's rule for OS errors.
SetupError cng_error(NTSTATUS status);

// One digest being computed: start, feed any number of chunks, finish once.
class DigestComputation {
  public:
    static Result<DigestComputation> start(DigestAlgorithm algorithm);

    Status update(std::span<const std::uint8_t> bytes);
    Result<std::vector<std::uint8_t>> finish();

  private:
    DigestComputation() = default;

    // Declared first so that it is closed after the hash that uses it.
    UniqueAlgorithmProvider provider_;
    UniqueHashHandle hash_;
    ULONG digest_length_ = 0;
};

// The digest of bytes held in memory.
Result<std::vector<std::uint8_t>> compute_digest(DigestAlgorithm algorithm,
                                                 std::span<const std::uint8_t> bytes);

} // namespace velmora
