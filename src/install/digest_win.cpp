#include "install/digest_win.hpp"

#include "common/system_error_win.hpp"

#include <algorithm>
#include <limits>

namespace velmora {

Result<DigestComputation> DigestComputation::start(DigestAlgorithm algorithm) {
    DigestComputation computation;
    const wchar_t* id =
        algorithm == DigestAlgorithm::sha512 ? BCRYPT_SHA512_ALGORITHM : BCRYPT_SHA256_ALGORITHM;
    VELMORA_NTSTATUS(::BCryptOpenAlgorithmProvider(computation.provider_.put(), id, nullptr, 0));
    ULONG written = 0;
    VELMORA_NTSTATUS(::BCryptGetProperty(computation.provider_.get(), BCRYPT_HASH_LENGTH,
                                         reinterpret_cast<PUCHAR>(&computation.digest_length_),
                                         sizeof computation.digest_length_, &written, 0));
    // The provider allocates the hash object itself when none is passed.
    VELMORA_NTSTATUS(::BCryptCreateHash(computation.provider_.get(), computation.hash_.put(),
                                        nullptr, 0, nullptr, 0, 0));
    return computation;
}

Status DigestComputation::update(std::span<const std::uint8_t> bytes) {
    constexpr std::size_t max_chunk = std::numeric_limits<ULONG>::max();
    while (!bytes.empty()) {
        const std::size_t chunk = std::min(bytes.size(), max_chunk);
        VELMORA_NTSTATUS(::BCryptHashData(hash_.get(), const_cast<PUCHAR>(bytes.data()),
                                          static_cast<ULONG>(chunk), 0));
        bytes = bytes.subspan(chunk);
    }
    return {};
}

Result<std::vector<std::uint8_t>> DigestComputation::finish() {
    std::vector<std::uint8_t> digest(digest_length_);
    VELMORA_NTSTATUS(::BCryptFinishHash(hash_.get(), digest.data(), digest_length_, 0));
    return digest;
}

Result<std::vector<std::uint8_t>> compute_digest(DigestAlgorithm algorithm,
                                                 std::span<const std::uint8_t> bytes) {
    VELMORA_TRY_ASSIGN(DigestComputation computation, DigestComputation::start(algorithm));
    VELMORA_TRY(computation.update(bytes));
    return computation.finish();
}

} // namespace velmora
