#include "backup/zip/archive_reader.h"

#include <algorithm>
#include <cstring>

#include "backup/zip/format.h"
#include "backup/zip/names.h"

namespace zip {

using format::ByteReader;

namespace {

constexpr std::size_t kReadBlock = 256 * 1024;

bool read_exact(InputFile& file, uint64_t offset, void* buffer, std::size_t size) {
    return file.read_at(offset, buffer, size) == static_cast<int64_t>(size);
}

// Hands out consecutive records of a byte range, reading it in blocks.
class SequentialReader {
public:
    SequentialReader(InputFile& file, uint64_t begin, uint64_t end) : file_(file), pos_(begin), end_(end) {}

    bool at_end() const { return pos_ == end_ && used_ == filled_; }

    const uint8_t* next(std::size_t size) {
        if (size > end_ - pos_ + (filled_ - used_)) return nullptr;
        if (filled_ - used_ < size && !refill(size)) return nullptr;
        const uint8_t* p = buffer_.data() + used_;
        used_ += size;
        return p;
    }

private:
    bool refill(std::size_t size) {
        std::size_t kept = filled_ - used_;
        if (kept) std::memmove(buffer_.data(), buffer_.data() + used_, kept);
        std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(std::max(size, kReadBlock) - kept, end_ - pos_));
        buffer_.resize(std::max(buffer_.size(), kept + want));
        if (!read_exact(file_, pos_, buffer_.data() + kept, want)) return false;
        pos_ += want;
        used_ = 0;
        filled_ = kept + want;
        return filled_ >= size;
    }

    InputFile& file_;
    uint64_t pos_, end_;
    std::vector<uint8_t> buffer_;
    std::size_t used_ = 0, filled_ = 0;
};

struct EndRecord {
    uint64_t count = 0;
    uint64_t cd_offset = 0;
    uint64_t cd_size = 0;
    uint64_t cd_limit = 0;  // where the records after the central directory begin
    bool zip64 = false;
};

// Finds the end record in the last 64 KiB; one whose comment reaches exactly to the end wins.
bool find_end_record(const std::vector<uint8_t>& tail, std::size_t* at) {
    bool found = false;
    for (std::size_t i = tail.size() - format::kEndSize + 1; i-- > 0;) {
        ByteReader r(tail.data() + i, tail.size() - i);
        if (r.u32() != format::kEndSig) continue;
        r.take(16);
        std::size_t end = i + format::kEndSize + r.u16();
        if (end == tail.size()) {
            *at = i;
            return true;
        }
        if (end < tail.size() && !found) {
            *at = i;
            found = true;
        }
    }
    return found;
}

DirectoryError read_zip64_end(InputFile& file, uint64_t end_pos, EndRecord* end) {
    if (end_pos < format::kLocator64Size) return DirectoryError::none;
    uint8_t loc[format::kLocator64Size];
    if (!read_exact(file, end_pos - sizeof loc, loc, sizeof loc)) return DirectoryError::corrupt;
    ByteReader l(loc, sizeof loc);
    if (l.u32() != format::kLocator64Sig) return DirectoryError::none;
    uint32_t disk = l.u32();
    uint64_t offset = l.u64();
    uint32_t disks = l.u32();
    if (disk != 0 || disks > 1) return DirectoryError::multi_disk;
    if (offset > end_pos - sizeof loc || end_pos - sizeof loc - offset < format::kEnd64Size)
        return DirectoryError::corrupt;
    uint8_t rec[format::kEnd64Size];
    if (!read_exact(file, offset, rec, sizeof rec)) return DirectoryError::corrupt;
    ByteReader r(rec, sizeof rec);
    if (r.u32() != format::kEnd64Sig) return DirectoryError::corrupt;
    r.take(12);
    uint32_t this_disk = r.u32(), cd_disk = r.u32();
    r.u64();
    end->count = r.u64();
    end->cd_size = r.u64();
    end->cd_offset = r.u64();
    end->cd_limit = offset;
    end->zip64 = true;
    return (this_disk || cd_disk) ? DirectoryError::multi_disk : DirectoryError::none;
}

DirectoryError read_end(InputFile& file, EndRecord* end) {
    uint64_t size = file.size();
    if (size < format::kEndSize) return DirectoryError::not_zip;
    std::vector<uint8_t> tail(static_cast<std::size_t>(std::min<uint64_t>(size, format::kEndSize + 0xffff)));
    std::size_t at = 0;
    if (!read_exact(file, size - tail.size(), tail.data(), tail.size())) return DirectoryError::corrupt;
    if (!find_end_record(tail, &at)) return DirectoryError::not_zip;
    ByteReader r(tail.data() + at + 4, format::kEndSize - 4);
    uint16_t disk = r.u16(), cd_disk = r.u16();
    r.u16();
    end->count = r.u16();
    end->cd_size = r.u32();
    end->cd_offset = r.u32();
    uint64_t end_pos = size - tail.size() + at;
    end->cd_limit = end_pos;
    DirectoryError e = read_zip64_end(file, end_pos, end);
    if (e != DirectoryError::none) return e;
    if (!end->zip64 && (disk || cd_disk)) return DirectoryError::multi_disk;
    if (end->cd_offset > end->cd_limit || end->cd_size != end->cd_limit - end->cd_offset)
        return DirectoryError::corrupt;
    return DirectoryError::none;
}

// Applies the extra fields this reader understands; false when a needed Zip64 value is missing.
bool apply_extras(const uint8_t* data, std::size_t size, ArchiveEntry* e) {
    bool need_size = e->size == format::kMax32, need_csize = e->compressed_size == format::kMax32;
    bool need_offset = e->local_offset == format::kMax32;
    bool have_timestamp = false;
    ByteReader r(data, size);
    while (r.remaining() >= 4) {
        uint16_t id = r.u16(), len = r.u16();
        const uint8_t* field = r.take(len);
        if (!field) break;
        ByteReader f(field, len);
        if (id == format::kExtraZip64) {
            if (need_size) e->size = f.u64();
            if (need_csize) e->compressed_size = f.u64();
            if (need_offset) e->local_offset = f.u64();
            if (!f.ok()) return false;
            need_size = need_csize = need_offset = false;
        } else if (id == format::kExtraTimestamp && len >= 5 && (field[0] & 1)) {
            f.take(1);
            e->mtime = static_cast<int32_t>(f.u32());
            have_timestamp = e->exact_time = true;
        } else if (id == format::kExtraNtfs && !have_timestamp && len >= 32) {
            f.take(4);
            if (f.u16() == 1 && f.u16() >= 24) {
                e->mtime = fs::filetime_to_unix(f.u64());
                e->exact_time = true;
            }
        } else if (id == format::kExtraPieces && len >= 12 && len % 4 == 0) {
            e->piece_size = f.u32();
            e->piece_lengths.resize(len / 4 - 1);
            for (uint32_t& length : e->piece_lengths) length = f.u32();
        } else if (id == format::kExtraUnicodePath && len >= 5 && field[0] == 1) {
            f.take(1);
            uint32_t name_crc = f.u32();
            std::string name(reinterpret_cast<const char*>(field) + 5, len - 5);
            uint32_t raw_crc = static_cast<uint32_t>(
                crc32(0, reinterpret_cast<const Bytef*>(e->raw_name.data()), static_cast<uInt>(e->raw_name.size())));
            if (name_crc == raw_crc && is_valid_utf8(name)) e->unicode_path = name;
        }
    }
    return !(need_size || need_csize || need_offset);
}

DirectoryError read_entry(SequentialReader& in, uint64_t data_end, ArchiveEntry* e) {
    const uint8_t* fixed = in.next(format::kCentralHeaderSize);
    if (!fixed) return DirectoryError::corrupt;
    ByteReader r(fixed, format::kCentralHeaderSize);
    if (r.u32() != format::kCentralSig) return DirectoryError::corrupt;
    r.take(4);
    e->flags = r.u16();
    e->method = r.u16();
    uint32_t dos = r.u16();
    dos |= static_cast<uint32_t>(r.u16()) << 16;
    e->mtime = format::from_dos_time(dos);
    e->crc = r.u32();
    e->compressed_size = r.u32();
    e->size = r.u32();
    uint16_t name_len = r.u16(), extra_len = r.u16(), comment_len = r.u16();
    r.take(8);
    e->local_offset = r.u32();
    const uint8_t* var = in.next(std::size_t{name_len} + extra_len + comment_len);
    if (!var) return DirectoryError::corrupt;
    e->raw_name.assign(reinterpret_cast<const char*>(var), name_len);
    if (!apply_extras(var + name_len, extra_len, e)) return DirectoryError::corrupt_entry;
    e->is_dir = !e->raw_name.empty() && (e->raw_name.back() == '/' || e->raw_name.back() == '\\');
    if (e->flags & (format::kFlagEncrypted | format::kFlagStrongEncryption)) return DirectoryError::encrypted;
    if (!e->is_dir && e->method != format::kStored && e->method != format::kDeflated)
        return DirectoryError::unsupported_method;
    bool sizes_fit = e->local_offset <= data_end && data_end - e->local_offset >= format::kLocalHeaderSize &&
                     e->compressed_size <= data_end - e->local_offset - format::kLocalHeaderSize;
    bool stored_ok = e->is_dir || e->method != format::kStored || e->compressed_size == e->size;
    return sizes_fit && stored_ok ? DirectoryError::none : DirectoryError::corrupt_entry;
}

bool flagged_utf8(const ArchiveEntry& e) { return (e.flags & format::kFlagUtf8) && is_valid_utf8(e.raw_name); }

// Info-ZIP on a UTF-8 system stores UTF-8 names without the flag, and often without the Unicode Path
// field; a name GBK cannot read gives such an archive away.
bool written_in_utf8(const std::vector<ArchiveEntry>& entries) {
    for (const ArchiveEntry& e : entries)
        if (!flagged_utf8(e) && e.unicode_path.empty() && is_valid_utf8(e.raw_name) && !is_valid_gbk(e.raw_name))
            return true;
    return false;
}

void decode_names(std::vector<ArchiveEntry>& entries, const NameDecoder& legacy_name) {
    const bool utf8_archive = written_in_utf8(entries);
    for (ArchiveEntry& e : entries) {
        if (flagged_utf8(e)) e.name = e.raw_name;
        else if (!e.unicode_path.empty()) e.name = e.unicode_path;
        else if (is_valid_utf8(e.raw_name) && (utf8_archive || !is_valid_gbk(e.raw_name))) e.name = e.raw_name;
        else e.name = legacy_name(e.raw_name);
    }
}

Directory read_entries(InputFile& archive) {
    Directory dir;
    EndRecord end;
    dir.error = read_end(archive, &end);
    if (dir.error != DirectoryError::none) return dir;
    dir.data_end = end.cd_offset;
    SequentialReader in(archive, end.cd_offset, end.cd_offset + end.cd_size);
    while (!in.at_end()) {
        ArchiveEntry e;
        DirectoryError err = read_entry(in, dir.data_end, &e);
        if (err != DirectoryError::none) {
            dir.error = err;
            dir.bad_entry = dir.entries.size();
            if (err != DirectoryError::corrupt) dir.entries.push_back(std::move(e));
            return dir;
        }
        dir.entries.push_back(std::move(e));
    }
    // Some writers keep only the low 16 bits of the count when they leave out the Zip64 record.
    uint64_t count = dir.entries.size();
    if (end.zip64 ? count != end.count : (count & 0xffff) != end.count) dir.error = DirectoryError::corrupt;
    return dir;
}

}  // namespace

Directory read_directory(InputFile& archive, const NameDecoder& legacy_name) {
    Directory dir = read_entries(archive);
    decode_names(dir.entries, legacy_name);
    return dir;
}

}  // namespace zip
