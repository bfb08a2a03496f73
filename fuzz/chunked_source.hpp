#pragma once
// A ByteSource that hands a document out in small pieces of varying size, the
// way a file is read, and that may fail part way like a broken read. The
// pieces follow from the document's own bytes, so a finding replays exactly.

#include "common/setup_error.hpp"
#include "json/record_reader.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velmora {

inline constexpr std::string_view chunk_read_error = "the read failed part way";

class ChunkedSource final : public ByteSource {
  public:
    explicit ChunkedSource(std::string_view bytes) : bytes_(bytes), state_(seed(bytes)) {
        // About one document in eight meets a failing read after a few pieces.
        if ((next_random() & 7) == 0)
            fail_after_ = next_random() % 8;
    }

    bool may_fail() const { return fail_after_ != no_failure; }

    Result<std::string_view> next_chunk() override {
        if (chunks_++ == fail_after_)
            return SetupError{std::string(chunk_read_error)};
        const std::size_t size = 1 + next_random() % 7; // never empty: that is the end
        const std::string_view chunk = bytes_.substr(0, size);
        bytes_.remove_prefix(chunk.size());
        return chunk;
    }

  private:
    static constexpr std::uint64_t no_failure = ~std::uint64_t{0};

    static std::uint64_t seed(std::string_view bytes) {
        std::uint64_t hash = 0xcbf29ce484222325; // FNV-1a
        for (const char c : bytes)
            hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3;
        return hash | 1;
    }

    std::uint64_t next_random() { // xorshift64
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }

    std::string_view bytes_;
    std::uint64_t state_;
    std::uint64_t chunks_ = 0;
    std::uint64_t fail_after_ = no_failure;
};

// A document read in pieces must give what it gives in one piece. A failing
// read gives its own error, unless a fault in the bytes before it came first.
template <class T>
bool same_outcome(const Result<T>& whole, const Result<T>& pieces, const ChunkedSource& source,
                  bool (*same_value)(const T&, const T&)) {
    if (source.may_fail() && !pieces.ok() && pieces.error().message == chunk_read_error)
        return true;
    if (whole.ok() != pieces.ok())
        return false;
    return whole.ok() ? same_value(*whole, *pieces)
                      : whole.error().message == pieces.error().message;
}

} // namespace velmora
