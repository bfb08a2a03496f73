#include "support/zip_writer.hpp"

#include <zlib.h>

#include <cstdint>
#include <stdexcept>

namespace velmora::test {
namespace {

void put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

std::string raw_deflate(const std::string& data) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (status != Z_STREAM_END)
        throw std::runtime_error("deflate");
    return out;
}

// The fields that local and central headers share, from "version needed" on.
void put_common(std::string& out, const ZipItem& item, std::uint32_t crc, std::size_t packed) {
    put16(out, 20);                   // version needed
    put16(out, 0x0800);               // names are UTF-8
    put16(out, item.deflate ? 8 : 0); // method
    put16(out, 0);                    // time
    put16(out, 0x21);                 // date: 1980-01-01, the earliest a zip can hold
    put32(out, crc);
    put32(out, static_cast<std::uint32_t>(packed));
    put32(out, static_cast<std::uint32_t>(item.data.size()));
    put16(out, static_cast<std::uint32_t>(item.name.size()));
    put16(out, 0); // extra field length
}

} // namespace

std::string make_zip(const std::vector<ZipItem>& items) {
    std::string archive, directory;
    for (const ZipItem& item : items) {
        const std::string packed = item.deflate ? raw_deflate(item.data) : item.data;
        const auto crc =
            static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(item.data.data()),
                                             static_cast<uInt>(item.data.size())));
        const auto offset = static_cast<std::uint32_t>(archive.size());
        put32(archive, 0x04034b50);
        put_common(archive, item, crc, packed.size());
        archive += item.name + packed;

        put32(directory, 0x02014b50);
        put16(directory, 20); // version made by
        put_common(directory, item, crc, packed.size());
        put16(directory, 0);                                   // comment length
        put16(directory, 0);                                   // disk
        put16(directory, 0);                                   // internal attributes
        put32(directory, item.name.ends_with('/') ? 0x10 : 0); // external: the folder bit
        put32(directory, offset);
        directory += item.name;
    }
    const auto directory_offset = static_cast<std::uint32_t>(archive.size());
    archive += directory;
    put32(archive, 0x06054b50);
    put32(archive, 0); // disk numbers
    put16(archive, static_cast<std::uint32_t>(items.size()));
    put16(archive, static_cast<std::uint32_t>(items.size()));
    put32(archive, static_cast<std::uint32_t>(directory.size()));
    put32(archive, directory_offset);
    put16(archive, 0); // comment length
    return archive;
}

} // namespace velmora::test
