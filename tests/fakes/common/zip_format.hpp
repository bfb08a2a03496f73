#pragma once
// Reading zip archives: the end record, the central directory, local headers,
// entry names made safe, and decoding of stored and deflated entry data.

#include "common/setup_error.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

using Bytes = std::span<const unsigned char>;

struct CentralDirectoryLocation {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint64_t entries = 0;
};

struct ZipEntry {
    std::string name;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc32 = 0;
    std::uint64_t compressed_size = 0;
    std::uint64_t size = 0;
    std::uint64_t local_header_offset = 0;
};

// The end record can sit up to 65,535 comment bytes before the end.
inline constexpr std::uint64_t zip_tail_size = 22 + 65535;

// Finds the end-of-central-directory record in `tail`, the last bytes of an
// archive of `archive_size` bytes, and checks that the directory lies inside.
Result<CentralDirectoryLocation> find_central_directory(Bytes tail, std::uint64_t archive_size);

// Every entry of the central directory, checked against the archive's size.
Result<std::vector<ZipEntry>> parse_central_directory(Bytes directory,
                                                      const CentralDirectoryLocation& location,
                                                      std::uint64_t archive_size);

inline constexpr std::size_t local_header_fixed_size = 30;

// From the fixed part of a local header: how far its data starts after the header's offset.
Result<std::uint64_t> local_data_offset(Bytes fixed_header);

// The path below the destination where the entry lands, with '\' separators
// (empty for the root itself). Refuses absolute and drive-qualified names and
// names with ".." components, so that nothing lands outside the destination.
Result<std::string> entry_target(std::string_view name);

inline bool is_directory_entry(const ZipEntry& entry) {
    return !entry.name.empty() && (entry.name.back() == '/' || entry.name.back() == '\\');
}

using ByteSink = std::function<Status(Bytes)>;

// Turns an entry's stored or deflated data, fed in pieces, into its content,
// and proves size and CRC-32 at the end.
class EntryDecoder {
  public:
    explicit EntryDecoder(const ZipEntry& entry);
    ~EntryDecoder();
    EntryDecoder(const EntryDecoder&) = delete;
    EntryDecoder& operator=(const EntryDecoder&) = delete;

    Status start();
    Status feed(Bytes data, const ByteSink& sink);
    Status finish();

  private:
    struct Inflater;
    Status emit(Bytes data, const ByteSink& sink);

    const ZipEntry& entry_;
    std::unique_ptr<Inflater> inflater_;
    std::uint64_t produced_ = 0;
    std::uint32_t crc_ = 0;
};

} // namespace velmora
