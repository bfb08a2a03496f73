#include "install/digest_win.hpp"

#include "common/system_error_win.hpp"

#include <algorithm>
#include <limits>

namespace velmora {

SetupError cng_error(NTSTATUS status) {
    // CNG reports NTSTATUS values; the system's message table is keyed by
    // Win32 codes, so translate first where ntdll offers the mapping.
    using Translate = ULONG(WINAPI*)(NTSTATUS);
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const auto translate = reinterpret_cast<Translate>(
        reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlNtStatusToDosError")));
    return system_error(translate ? translate(status) : static_cast<DWORD>(status));
}

Result<DigestComputation> DigestComputation::start(DigestAlgorithm algorithm) {
    DigestComputation computation;
    const wchar_t* id =
        algorithm == DigestAlgorithm::sha512 ? BCRYPT_SHA512_ALGORITHM : BCRYPT_SHA256_ALGORITHM;
    NTSTATUS status = ::BCryptOpenAlgorithmProvider(computation.provider_.put(), id, nullptr, 0);
    if (!BCRYPT_SUCCESS(status))
        return cng_error(status);
    ULONG written = 0;
    status = ::BCryptGetProperty(computation.provider_.get(), BCRYPT_HASH_LENGTH,
                                 reinterpret_cast<PUCHAR>(&computation.digest_length_),
                                 sizeof computation.digest_length_, &written, 0);
    if (!BCRYPT_SUCCESS(status))
        return cng_error(status);
    // The provider allocates the hash object itself when none is passed.
    status = ::BCryptCreateHash(computation.provider_.get(), computation.hash_.put(), nullptr, 0,
                                nullptr, 0, 0);
    if (!BCRYPT_SUCCESS(status))
        return cng_error(status);
    return computation;
}

Status DigestComputation::update(std::span<const std::uint8_t> bytes) {
    constexpr std::size_t max_chunk = std::numeric_limits<ULONG>::max();
    while (!bytes.empty()) {
        const std::size_t chunk = std::min(bytes.size(), max_chunk);
        const NTSTATUS status = ::BCryptHashData(hash_.get(), const_cast<PUCHAR>(bytes.data()),
                                                 static_cast<ULONG>(chunk), 0);
        if (!BCRYPT_SUCCESS(status))
            return cng_error(status);
        bytes = bytes.subspan(chunk);
    }
    return {};
}

Result<std::vector<std::uint8_t>> DigestComputation::finish() {
    std::vector<std::uint8_t> digest(digest_length_);
    const NTSTATUS status = ::BCryptFinishHash(hash_.get(), digest.data(), digest_length_, 0);
    if (!BCRYPT_SUCCESS(status))
        return cng_error(status);
    return digest;
}

Result<std::vector<std::uint8_t>> compute_digest(DigestAlgorithm algorithm,
                                                 std::span<const std::uint8_t> bytes) {
    VELMORA_TRY_ASSIGN(DigestComputation computation, DigestComputation::start(algorithm));
    VELMORA_TRY(computation.update(bytes));
    return computation.finish();
}

} // namespace velmora
