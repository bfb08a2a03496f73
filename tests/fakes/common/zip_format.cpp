#include "zip_format.hpp"

#include <zlib.h>

#include <algorithm>
#include <vector>

namespace velmora {

namespace {

constexpr std::uint32_t end_signature = 0x06054b50;
constexpr std::uint32_t central_signature = 0x02014b50;
constexpr std::uint32_t local_signature = 0x04034b50;
constexpr std::size_t end_record_size = 22;
constexpr std::size_t central_header_size = 46;

std::uint16_t read16(Bytes b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t read32(Bytes b, std::size_t at) {
    return static_cast<std::uint32_t>(read16(b, at)) |
           (static_cast<std::uint32_t>(read16(b, at + 2)) << 16);
}

SetupError corrupt(std::string what) {
    return SetupError{"corrupt archive: " + what};
}

} // namespace

Result<CentralDirectoryLocation> find_central_directory(Bytes tail, std::uint64_t archive_size) {
    if (tail.size() < end_record_size)
        return corrupt("too short for an end record");
    for (std::size_t at = tail.size() - end_record_size + 1; at-- > 0;) {
        if (read32(tail, at) != end_signature)
            continue;
        if (read16(tail, at + 20) != tail.size() - at - end_record_size)
            continue; // a signature inside the comment, not the record itself
        CentralDirectoryLocation location{read32(tail, at + 16), read32(tail, at + 12),
                                          read16(tail, at + 10)};
        if (location.entries == 0xFFFF || location.offset == 0xFFFFFFFF)
            return corrupt("zip64 archives are not supported");
        if (location.offset + location.size > archive_size)
            return corrupt("central directory beyond the end");
        return location;
    }
    return corrupt("no end record");
}

Result<std::vector<ZipEntry>> parse_central_directory(Bytes directory,
                                                      const CentralDirectoryLocation& location,
                                                      std::uint64_t archive_size) {
    std::vector<ZipEntry> entries;
    std::size_t at = 0;
    for (std::uint64_t i = 0; i < location.entries; ++i) {
        if (directory.size() - at < central_header_size ||
            read32(directory, at) != central_signature)
            return corrupt("bad central directory header");
        const Bytes header = directory.subspan(at);
        const std::size_t name_length = read16(header, 28);
        const std::size_t variable = name_length + read16(header, 30) + read16(header, 32);
        if (header.size() - central_header_size < variable)
            return corrupt("central directory header beyond its end");
        ZipEntry entry;
        entry.flags = read16(header, 8);
        entry.method = read16(header, 10);
        entry.crc32 = read32(header, 16);
        entry.compressed_size = read32(header, 20);
        entry.size = read32(header, 24);
        entry.local_header_offset = read32(header, 42);
        const auto* name = reinterpret_cast<const char*>(header.data() + central_header_size);
        entry.name.assign(name, name_length);
        if (entry.local_header_offset + local_header_fixed_size + entry.compressed_size >
            archive_size)
            return corrupt("entry data beyond the end: " + entry.name);
        entries.push_back(std::move(entry));
        at += central_header_size + variable;
    }
    return entries;
}

Result<std::uint64_t> local_data_offset(Bytes fixed_header) {
    if (fixed_header.size() < local_header_fixed_size || read32(fixed_header, 0) != local_signature)
        return corrupt("bad local header");
    return local_header_fixed_size + read16(fixed_header, 26) + read16(fixed_header, 28);
}

Result<std::string> entry_target(std::string_view name) {
    const auto refuse = [whole = std::string(name)] {
        return SetupError{"unsafe entry name: " + whole};
    };
    if (name.empty() || name.front() == '/' || name.front() == '\\' ||
        name.find(':') != std::string_view::npos || name.find('\0') != std::string_view::npos)
        return refuse();
    std::string target;
    while (!name.empty()) {
        const std::size_t separator = name.find_first_of("/\\");
        const std::string_view part = name.substr(0, separator);
        name.remove_prefix(separator == std::string_view::npos ? name.size() : separator + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            return refuse();
        if (!target.empty())
            target += '\\';
        target += part;
    }
    return target;
}

struct EntryDecoder::Inflater {
    z_stream stream{};
    std::vector<unsigned char> output = std::vector<unsigned char>(256 * 1024);
    bool ended = false;
    ~Inflater() { inflateEnd(&stream); }
};

EntryDecoder::EntryDecoder(const ZipEntry& entry) : entry_(entry) {}
EntryDecoder::~EntryDecoder() = default;

Status EntryDecoder::start() {
    if (entry_.flags & 1)
        return corrupt("encrypted entry: " + entry_.name);
    if (entry_.method == 0) {
        if (entry_.compressed_size != entry_.size)
            return corrupt("stored entry with two sizes: " + entry_.name);
        return {};
    }
    if (entry_.method != 8)
        return corrupt("unsupported compression method: " + entry_.name);
    inflater_ = std::make_unique<Inflater>();
    if (inflateInit2(&inflater_->stream, -MAX_WBITS) != Z_OK) {
        inflater_.reset();
        return SetupError{"zlib could not start"};
    }
    return {};
}

Status EntryDecoder::emit(Bytes data, const ByteSink& sink) {
    produced_ += data.size();
    if (produced_ > entry_.size)
        return corrupt("entry longer than recorded: " + entry_.name);
    crc_ = static_cast<std::uint32_t>(crc32(crc_, data.data(), static_cast<uInt>(data.size())));
    return sink(data);
}

Status EntryDecoder::feed(Bytes data, const ByteSink& sink) {
    if (!inflater_)
        return emit(data, sink);
    z_stream& z = inflater_->stream;
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    // Output still held by zlib after the input is used up (a full buffer)
    // is drained before returning.
    do {
        z.next_out = inflater_->output.data();
        z.avail_out = static_cast<uInt>(inflater_->output.size());
        const int status = inflate(&z, Z_NO_FLUSH);
        if (status == Z_BUF_ERROR)
            break; // no progress possible: more input needed
        if (status != Z_OK && status != Z_STREAM_END)
            return corrupt("bad deflate data: " + entry_.name);
        inflater_->ended = status == Z_STREAM_END;
        const std::size_t produced = inflater_->output.size() - z.avail_out;
        if (auto written = emit(Bytes(inflater_->output.data(), produced), sink); !written)
            return written;
    } while (!inflater_->ended && (z.avail_in > 0 || z.avail_out == 0));
    return {};
}

Status EntryDecoder::finish() {
    if (inflater_ && !inflater_->ended)
        return corrupt("deflate data ends early: " + entry_.name);
    if (produced_ != entry_.size)
        return corrupt("entry shorter than recorded: " + entry_.name);
    if (crc_ != entry_.crc32)
        return corrupt("CRC mismatch: " + entry_.name);
    return {};
}

} // namespace velmora
