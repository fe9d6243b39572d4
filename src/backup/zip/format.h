// ZIP records as the PKWARE application note lays them out: little-endian fields, the local and
// central headers, the end records (with their Zip64 forms) and the extra fields this engine uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "backup/zip/file_port.h"

namespace zip::format {

constexpr uint32_t kLocalSig = 0x04034b50;
constexpr uint32_t kCentralSig = 0x02014b50;
constexpr uint32_t kEndSig = 0x06054b50;
constexpr uint32_t kEnd64Sig = 0x06064b50;
constexpr uint32_t kLocator64Sig = 0x07064b50;

constexpr uint16_t kFlagEncrypted = 1 << 0;
constexpr uint16_t kFlagStrongEncryption = 1 << 6;
constexpr uint16_t kFlagUtf8 = 1 << 11;
constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflated = 8;

constexpr uint16_t kExtraZip64 = 0x0001;
constexpr uint16_t kExtraNtfs = 0x000a;
constexpr uint16_t kExtraTimestamp = 0x5455;
constexpr uint16_t kExtraUnicodePath = 0x7075;
// Ours, in the central header of a large deflated entry: the uncompressed size of its pieces (u32,
// all but the last have it) and the compressed size of each (u32 each). Every piece but the last
// ends on a byte, after an empty stored block, and none refers back into another, so a reader may
// inflate them one by one with a whole-buffer inflater. Other readers skip the field.
constexpr uint16_t kExtraPieces = 0x4e56;
constexpr std::size_t kMaxPieceCount = (0xffff - 64) / 4 - 1;  // leaves room for the other fields

constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kEnd64Size = 56;
constexpr std::size_t kLocator64Size = 20;
constexpr uint32_t kMax32 = 0xffffffff;
constexpr uint16_t kMax16 = 0xffff;

using fs::filetime_to_unix;
using fs::unix_to_filetime;

// Appends little-endian fields.
class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>* out) : out_(out) {}
    void u8(uint8_t v) { out_->push_back(v); }
    void u16(uint16_t v);
    void u32(uint32_t v);
    void u64(uint64_t v);
    void bytes(const void* data, std::size_t size);

private:
    std::vector<uint8_t>* out_;
};

// Reads little-endian fields from a bounded span; reading past the end clears ok() and yields 0.
class ByteReader {
public:
    ByteReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    uint16_t u16();
    uint32_t u32();
    uint64_t u64();
    const uint8_t* take(std::size_t size);  // nullptr past the end
    std::size_t remaining() const { return size_ - pos_; }
    bool ok() const { return ok_; }

private:
    uint64_t little_endian(std::size_t size);
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

// What an entry's headers say, for writing and as read back.
struct EntryRecord {
    std::string name;  // as stored
    uint16_t flags = 0;
    uint16_t method = kStored;
    uint32_t crc = 0;
    uint64_t compressed_size = 0;
    uint64_t size = 0;
    uint64_t local_offset = 0;
    int64_t mtime = 0;  // seconds since 1970 UTC
    bool is_dir = false;
    bool zip64_sizes = false;   // writing: sizes go into a Zip64 extra, in both headers
    bool zip64_offset = false;  // writing: the local header offset goes into the central Zip64 extra
    uint32_t piece_size = 0;              // writing: a large entry deflated in pieces (see kExtraPieces)
    std::vector<uint32_t> piece_lengths;  // their compressed sizes; none when they are not written
};

// MS-DOS date (high half) and time (low half) in local time, clamped to 1980..2107.
uint32_t to_dos_time(int64_t unix_time);
int64_t from_dos_time(uint32_t dos);

// Above this an entry's sizes go into a Zip64 extra, decided before its data is known.
constexpr uint64_t kZip64SizeThreshold = 0xff000000;

std::size_t local_header_size(const EntryRecord& entry, bool zip64);
void write_local_header(const EntryRecord& entry, bool zip64, std::vector<uint8_t>* out);
void write_central_header(const EntryRecord& entry, uint8_t host, std::vector<uint8_t>* out);
void write_end_records(uint64_t entry_count, uint64_t cd_offset, uint64_t cd_size, uint8_t host,
                       bool force_zip64, std::vector<uint8_t>* out);

}  // namespace zip::format
