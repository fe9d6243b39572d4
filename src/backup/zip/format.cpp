#include "backup/zip/format.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <ctime>

namespace zip::format {

void ByteWriter::u16(uint16_t v) {
    u8(static_cast<uint8_t>(v));
    u8(static_cast<uint8_t>(v >> 8));
}

void ByteWriter::u32(uint32_t v) {
    u16(static_cast<uint16_t>(v));
    u16(static_cast<uint16_t>(v >> 16));
}

void ByteWriter::u64(uint64_t v) {
    u32(static_cast<uint32_t>(v));
    u32(static_cast<uint32_t>(v >> 32));
}

void ByteWriter::bytes(const void* data, std::size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    out_->insert(out_->end(), p, p + size);
}

uint64_t ByteReader::little_endian(std::size_t size) {
    const uint8_t* p = take(size);
    uint64_t v = 0;
    for (std::size_t i = 0; p && i < size; ++i) v |= static_cast<uint64_t>(p[i]) << (8 * i);
    return v;
}

uint16_t ByteReader::u16() { return static_cast<uint16_t>(little_endian(2)); }
uint32_t ByteReader::u32() { return static_cast<uint32_t>(little_endian(4)); }
uint64_t ByteReader::u64() { return little_endian(8); }

const uint8_t* ByteReader::take(std::size_t size) {
    if (!ok_ || size > size_ - pos_) {
        ok_ = false;
        return nullptr;
    }
    const uint8_t* p = data_ + pos_;
    pos_ += size;
    return p;
}

static bool local_time(int64_t unix_time, std::tm* out) {
    std::time_t t = static_cast<std::time_t>(unix_time);
#ifdef _WIN32
    return localtime_s(out, &t) == 0;
#else
    return localtime_r(&t, out) != nullptr;
#endif
}

uint32_t to_dos_time(int64_t unix_time) {
    constexpr uint32_t kEarliest = (1u << 21) | (1u << 16);  // 1980-01-01 00:00
    constexpr uint32_t kLatest = (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;
    std::tm tm{};
    if (!local_time(unix_time, &tm) || tm.tm_year + 1900 < 1980) return kEarliest;
    if (tm.tm_year + 1900 > 2107) return kLatest;
    return (static_cast<uint32_t>(tm.tm_year + 1900 - 1980) << 25) |
           (static_cast<uint32_t>(tm.tm_mon + 1) << 21) | (static_cast<uint32_t>(tm.tm_mday) << 16) |
           (static_cast<uint32_t>(tm.tm_hour) << 11) | (static_cast<uint32_t>(tm.tm_min) << 5) |
           static_cast<uint32_t>(tm.tm_sec / 2);
}

int64_t from_dos_time(uint32_t dos) {
    std::tm tm{};
    tm.tm_year = static_cast<int>(dos >> 25) + 80;
    tm.tm_mon = static_cast<int>((dos >> 21) & 15) - 1;
    tm.tm_mday = static_cast<int>((dos >> 16) & 31);
    tm.tm_hour = static_cast<int>((dos >> 11) & 31);
    tm.tm_min = static_cast<int>((dos >> 5) & 63);
    tm.tm_sec = static_cast<int>(dos & 31) * 2;
    tm.tm_isdst = -1;
    std::time_t t = std::mktime(&tm);
    return t == static_cast<std::time_t>(-1) ? 0 : static_cast<int64_t>(t);
}

static bool has_timestamp(const EntryRecord& e) { return e.mtime >= INT32_MIN && e.mtime <= INT32_MAX; }

static uint16_t version_needed(const EntryRecord& e) {
    return (e.zip64_sizes || e.zip64_offset) ? 45 : 20;
}

static void write_timestamp_extra(const EntryRecord& e, ByteWriter& w) {
    if (!has_timestamp(e)) return;
    w.u16(kExtraTimestamp);
    w.u16(5);
    w.u8(1);  // modification time only
    w.u32(static_cast<uint32_t>(static_cast<int32_t>(e.mtime)));
}

static uint16_t local_extra_size(const EntryRecord& e, bool zip64) {
    return static_cast<uint16_t>((zip64 ? 20 : 0) + (has_timestamp(e) ? 9 : 0));
}

std::size_t local_header_size(const EntryRecord& entry, bool zip64) {
    return kLocalHeaderSize + entry.name.size() + local_extra_size(entry, zip64);
}

void write_local_header(const EntryRecord& e, bool zip64, std::vector<uint8_t>* out) {
    ByteWriter w(out);
    uint32_t dos = to_dos_time(e.mtime);
    w.u32(kLocalSig);
    w.u16(version_needed(e));
    w.u16(e.flags);
    w.u16(e.method);
    w.u16(static_cast<uint16_t>(dos));
    w.u16(static_cast<uint16_t>(dos >> 16));
    w.u32(e.crc);
    w.u32(zip64 ? kMax32 : static_cast<uint32_t>(e.compressed_size));
    w.u32(zip64 ? kMax32 : static_cast<uint32_t>(e.size));
    w.u16(static_cast<uint16_t>(e.name.size()));
    w.u16(local_extra_size(e, zip64));
    w.bytes(e.name.data(), e.name.size());
    if (zip64) {
        w.u16(kExtraZip64);
        w.u16(16);
        w.u64(e.size);
        w.u64(e.compressed_size);
    }
    write_timestamp_extra(e, w);
}

static uint32_t external_attributes(const EntryRecord& e, uint8_t host) {
    constexpr uint32_t kDosDirectory = 0x10, kDosArchive = 0x20;
    if (host == 3) return e.is_dir ? (040755u << 16) | kDosDirectory : (0100644u << 16);
    return e.is_dir ? kDosDirectory : kDosArchive;
}

void write_central_header(const EntryRecord& e, uint8_t host, std::vector<uint8_t>* out) {
    ByteWriter w(out);
    uint32_t dos = to_dos_time(e.mtime);
    uint16_t zip64_size = static_cast<uint16_t>((e.zip64_sizes ? 16 : 0) + (e.zip64_offset ? 8 : 0));
    const bool pieces = e.piece_lengths.size() > 1 && e.piece_lengths.size() <= kMaxPieceCount;
    const std::size_t pieces_size = pieces ? 4 + 4 * (e.piece_lengths.size() + 1) : 0;
    uint16_t extra = static_cast<uint16_t>((zip64_size ? 4 + zip64_size : 0) + (has_timestamp(e) ? 9 : 0) + pieces_size);
    w.u32(kCentralSig);
    w.u16(static_cast<uint16_t>(host << 8 | 45));
    w.u16(version_needed(e));
    w.u16(e.flags);
    w.u16(e.method);
    w.u16(static_cast<uint16_t>(dos));
    w.u16(static_cast<uint16_t>(dos >> 16));
    w.u32(e.crc);
    w.u32(e.zip64_sizes ? kMax32 : static_cast<uint32_t>(e.compressed_size));
    w.u32(e.zip64_sizes ? kMax32 : static_cast<uint32_t>(e.size));
    w.u16(static_cast<uint16_t>(e.name.size()));
    w.u16(extra);
    w.u16(0);  // comment
    w.u16(0);  // disk
    w.u16(0);  // internal attributes
    w.u32(external_attributes(e, host));
    w.u32(e.zip64_offset ? kMax32 : static_cast<uint32_t>(e.local_offset));
    w.bytes(e.name.data(), e.name.size());
    if (zip64_size) {
        w.u16(kExtraZip64);
        w.u16(zip64_size);
        if (e.zip64_sizes) {
            w.u64(e.size);
            w.u64(e.compressed_size);
        }
        if (e.zip64_offset) w.u64(e.local_offset);
    }
    write_timestamp_extra(e, w);
    if (!pieces) return;
    w.u16(kExtraPieces);
    w.u16(static_cast<uint16_t>(pieces_size - 4));
    w.u32(e.piece_size);
    for (uint32_t length : e.piece_lengths) w.u32(length);
}

void write_end_records(uint64_t count, uint64_t cd_offset, uint64_t cd_size, uint8_t host, bool force_zip64,
                       std::vector<uint8_t>* out) {
    bool big_count = force_zip64 || count >= kMax16;
    bool big_offset = force_zip64 || cd_offset >= kMax32;
    bool big_size = force_zip64 || cd_size >= kMax32;
    ByteWriter w(out);
    if (big_count || big_offset || big_size) {
        uint64_t end64_offset = cd_offset + cd_size;
        w.u32(kEnd64Sig);
        w.u64(kEnd64Size - 12);
        w.u16(static_cast<uint16_t>(host << 8 | 45));
        w.u16(45);
        w.u32(0);
        w.u32(0);
        w.u64(count);
        w.u64(count);
        w.u64(cd_size);
        w.u64(cd_offset);
        w.u32(kLocator64Sig);
        w.u32(0);
        w.u64(end64_offset);
        w.u32(1);
    }
    uint16_t count16 = big_count ? kMax16 : static_cast<uint16_t>(count);
    w.u32(kEndSig);
    w.u16(0);
    w.u16(0);
    w.u16(count16);
    w.u16(count16);
    w.u32(big_size ? kMax32 : static_cast<uint32_t>(cd_size));
    w.u32(big_offset ? kMax32 : static_cast<uint32_t>(cd_offset));
    w.u16(0);  // comment
}

}  // namespace zip::format
