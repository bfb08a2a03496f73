#include "zip_extract_win.hpp"

#include "zip_format.hpp"

#include "common/path.hpp"
#include "files/file_system_win.hpp"
#include "support/file_io_win.hpp"

#include <vector>

namespace velmora {

namespace {

struct Planned {
    const ZipEntry* entry;
    std::string target;
};

Result<std::vector<ZipEntry>> read_directory(HANDLE archive) {
    auto size = file_size(archive);
    if (!size)
        return std::move(size).error();
    std::vector<unsigned char> tail(static_cast<std::size_t>(std::min(*size, zip_tail_size)));
    if (auto read = read_at(archive, *size - tail.size(), tail); !read)
        return std::move(read).error();
    auto location = find_central_directory(tail, *size);
    if (!location)
        return std::move(location).error();
    std::vector<unsigned char> directory(static_cast<std::size_t>(location->size));
    if (auto read = read_at(archive, location->offset, directory); !read)
        return std::move(read).error();
    return parse_central_directory(directory, *location, *size);
}

Result<std::vector<Planned>> plan(const std::vector<ZipEntry>& entries,
                                  const std::string& destination) {
    std::vector<Planned> planned;
    for (const ZipEntry& entry : entries) {
        auto target = entry_target(entry.name);
        if (!target)
            return std::move(target).error();
        planned.push_back({&entry, join_path(destination, *target)});
    }
    return planned;
}

Status extract_file(HANDLE archive, const ZipEntry& entry, const std::string& target,
                    std::vector<unsigned char>& buffer) {
    std::vector<unsigned char> header(local_header_fixed_size);
    if (auto read = read_at(archive, entry.local_header_offset, header); !read)
        return read;
    auto data_offset = local_data_offset(header);
    if (!data_offset)
        return std::move(data_offset).error();
    if (auto parent = create_directories(parent_of(target)); !parent)
        return parent;
    auto output = create_for_writing(target);
    if (!output)
        return std::move(output).error();
    EntryDecoder decoder(entry);
    if (auto started = decoder.start(); !started)
        return started;
    const ByteSink sink = [&](Bytes bytes) { return write_all(output->get(), bytes); };
    std::uint64_t remaining = entry.compressed_size;
    std::uint64_t offset = entry.local_header_offset + *data_offset;
    while (remaining > 0) {
        const std::size_t piece =
            static_cast<std::size_t>(std::min<std::uint64_t>(remaining, buffer.size()));
        const std::span<unsigned char> chunk(buffer.data(), piece);
        if (auto read = read_at(archive, offset, chunk); !read)
            return read;
        if (auto fed = decoder.feed(chunk, sink); !fed)
            return fed;
        remaining -= piece;
        offset += piece;
    }
    return decoder.finish();
}

} // namespace

Status extract_zip(const std::string& archive, const std::string& destination) {
    if (!is_directory(destination))
        return SetupError{"destination is not a directory: " + destination};
    auto file = open_for_reading(archive);
    if (!file)
        return std::move(file).error();
    auto entries = read_directory(file->get());
    if (!entries)
        return std::move(entries).error();
    auto planned = plan(*entries, destination);
    if (!planned)
        return std::move(planned).error();
    std::vector<unsigned char> buffer(1 << 20);
    for (const Planned& item : *planned) {
        const Status done = is_directory_entry(*item.entry)
                                ? create_directories(item.target)
                                : extract_file(file->get(), *item.entry, item.target, buffer);
        if (!done)
            return done;
    }
    return {};
}

} // namespace velmora
