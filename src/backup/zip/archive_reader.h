// Reading archives: the end records and central directory, checked against the file's bounds, and
// the data of one entry, inflated and verified against its CRC-32 and sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <zlib.h>

#include "backup/zip/file_port.h"

struct libdeflate_decompressor;

namespace zip {

struct ArchiveEntry {
    std::string raw_name;  // bytes as stored in the central header
    std::string name;      // UTF-8
    std::string unicode_path;  // from an Info-ZIP Unicode Path field that matches raw_name
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint64_t compressed_size = 0;
    uint64_t size = 0;
    uint64_t local_offset = 0;
    int64_t mtime = 0;
    bool exact_time = false;  // from an extended-timestamp or NTFS field: the second, not DOS's 2-second step
    bool is_dir = false;
    uint32_t piece_size = 0;              // from our pieces field, as written; checked before use
    std::vector<uint32_t> piece_lengths;
};

enum class DirectoryError {
    none,
    not_zip,             // no end record
    corrupt,             // directory out of bounds or malformed
    multi_disk,
    corrupt_entry,       // entries[entry] has impossible sizes or offsets
    unsupported_method,  // entries[entry]
    encrypted,           // entries[entry]
};

struct Directory {
    std::vector<ArchiveEntry> entries;
    uint64_t data_end = 0;  // where the central directory starts: entry data lies before it
    DirectoryError error = DirectoryError::none;
    std::size_t bad_entry = 0;
};

using NameDecoder = std::function<std::string(const std::string& raw)>;

// A name is taken as UTF-8 when it carries the UTF-8 flag, else from an Info-ZIP Unicode Path field
// whose CRC matches the stored name. Without either, a name that is UTF-8 but not GBK is UTF-8, and
// then so is every UTF-8 name of that archive (a tool that wrote one such name wrote them all);
// the rest go through legacy_name.
Directory read_directory(InputFile& archive, const NameDecoder& legacy_name);

enum class DataError { none, read_failed, bad_local_header, corrupt, wrong_size, wrong_crc, sink_failed };

// Receives the entry's bytes in order; false stops decoding.
using Sink = std::function<bool(const uint8_t* data, std::size_t size)>;

// Inflates entries one after another, reusing its buffers; one per thread. Entries up to a few MiB
// are inflated whole by libdeflate, larger ones stream through zlib.
class EntryDecoder {
public:
    EntryDecoder();
    ~EntryDecoder();
    EntryDecoder(const EntryDecoder&) = delete;
    EntryDecoder& operator=(const EntryDecoder&) = delete;

    DataError decode(InputFile& archive, const ArchiveEntry& entry, uint64_t data_end, const Sink& sink);

private:
    DataError locate_data(InputFile& archive, const ArchiveEntry& entry, uint64_t data_end,
                          uint64_t* data_start, std::size_t* buffered_at, std::size_t* buffered);
    DataError inflate_whole(InputFile& archive, const ArchiveEntry& entry, const uint8_t* head,
                            std::size_t head_size, uint64_t rest_at, const Sink& sink);
    DataError inflate_pieces(InputFile& archive, const ArchiveEntry& entry, uint64_t at, const Sink& sink);
    DataError feed(const ArchiveEntry& entry, const uint8_t* data, std::size_t size, bool last,
                   const Sink& sink);
    DataError emit(const ArchiveEntry& entry, const uint8_t* data, std::size_t size, const Sink& sink);

    z_stream stream_{};
    libdeflate_decompressor* whole_inflater_;
    std::vector<uint8_t> whole_in_, whole_out_;
    std::vector<uint8_t> in_;
    std::vector<uint8_t> out_;
    uint64_t produced_ = 0;
    uint32_t crc_ = 0;
    bool finished_ = false;
};

}  // namespace zip
