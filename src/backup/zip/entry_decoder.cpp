// EntryDecoder: one entry's data, checked as it streams through.
#include <algorithm>
#include <cstring>

#include <libdeflate.h>

#include "backup/zip/archive_reader.h"
#include "backup/zip/format.h"

namespace zip {

namespace {
constexpr std::size_t kBlock = 256 * 1024;
// An entry whose sizes are both at most this is inflated in one call, from and into buffers of its
// own: so whatever a header claims, a decoder never holds more than twice this.
constexpr uint64_t kWholeEntry = 2 << 20;
// Ends a piece that goes on as a stream of its own: a final empty stored block.
constexpr uint8_t kFinalEmptyBlock[] = {0x01, 0x00, 0x00, 0xff, 0xff};
constexpr uint32_t kMaxPiece = 4 << 20;

// Whether an entry's pieces field can be trusted with the buffers it asks for: it must add up to
// the entry's sizes, with pieces no larger than deflate can make of kMaxPiece. A field that does
// not is ignored and the entry is inflated as one stream.
bool usable_pieces(const ArchiveEntry& e) {
    const uint64_t count = e.piece_lengths.size();
    if (e.method != format::kDeflated || count < 2 || count > format::kMaxPieceCount || e.piece_size < 4096 ||
        e.piece_size > kMaxPiece || e.size <= (count - 1) * e.piece_size || e.size > count * e.piece_size)
        return false;
    uint64_t sum = 0;
    for (uint32_t length : e.piece_lengths) {
        if (length == 0 || length > e.piece_size + e.piece_size / 8 + 1024) return false;
        sum += length;
    }
    return sum == e.compressed_size;
}
}  // namespace

EntryDecoder::EntryDecoder() : whole_inflater_(libdeflate_alloc_decompressor()), in_(kBlock), out_(kBlock) {
    inflateInit2(&stream_, -MAX_WBITS);
}

EntryDecoder::~EntryDecoder() {
    inflateEnd(&stream_);
    libdeflate_free_decompressor(whole_inflater_);
}

DataError EntryDecoder::decode(InputFile& archive, const ArchiveEntry& entry, uint64_t data_end,
                               const Sink& sink) {
    produced_ = 0;
    crc_ = 0;
    finished_ = false;
    bool whole = entry.method == format::kDeflated && whole_inflater_ && entry.size <= kWholeEntry &&
                 entry.compressed_size <= kWholeEntry;
    bool pieces = !whole && whole_inflater_ && usable_pieces(entry);
    if (entry.method == format::kDeflated && !whole && !pieces && inflateReset(&stream_) != Z_OK)
        return DataError::corrupt;
    uint64_t pos = 0;
    std::size_t at = 0, buffered = 0;
    DataError err = locate_data(archive, entry, data_end, &pos, &at, &buffered);
    if (err != DataError::none) return err;
    if (pieces) return inflate_pieces(archive, entry, pos, sink);
    uint64_t left = entry.compressed_size;
    std::size_t first = static_cast<std::size_t>(std::min<uint64_t>(buffered, left));
    pos += first;
    left -= first;
    if (whole) return inflate_whole(archive, entry, in_.data() + at, first, pos, sink);
    err = feed(entry, in_.data() + at, first, left == 0, sink);
    while (left > 0 && err == DataError::none) {
        std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(in_.size(), left));
        if (archive.read_at(pos, in_.data(), n) != static_cast<int64_t>(n)) return DataError::read_failed;
        pos += n;
        left -= n;
        err = feed(entry, in_.data(), n, left == 0, sink);
    }
    if (err != DataError::none) return err;
    if (entry.method == format::kDeflated && !finished_) return DataError::corrupt;
    if (produced_ != entry.size) return DataError::wrong_size;
    return crc_ == entry.crc ? DataError::none : DataError::wrong_crc;
}

// Reads the local header together with the start of the data, which is all of it for small files.
DataError EntryDecoder::locate_data(InputFile& archive, const ArchiveEntry& entry, uint64_t data_end,
                                    uint64_t* data_start, std::size_t* buffered_at, std::size_t* buffered) {
    uint64_t offset = entry.local_offset;
    if (offset > data_end) return DataError::bad_local_header;
    std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(in_.size(), data_end - offset));
    int64_t got = archive.read_at(offset, in_.data(), want);
    if (got < 0) return DataError::read_failed;
    if (static_cast<std::size_t>(got) < format::kLocalHeaderSize) return DataError::bad_local_header;
    format::ByteReader r(in_.data(), format::kLocalHeaderSize);
    if (r.u32() != format::kLocalSig) return DataError::bad_local_header;
    r.take(4);
    uint16_t method = r.u16();
    r.take(16);
    std::size_t name_len = r.u16(), extra_len = r.u16();
    std::size_t header = format::kLocalHeaderSize + name_len + extra_len;
    if (header > data_end - offset || entry.compressed_size > data_end - offset - header)
        return DataError::bad_local_header;
    if (method != entry.method || name_len != entry.raw_name.size() ||
        std::memcmp(in_.data() + format::kLocalHeaderSize, entry.raw_name.data(), name_len) != 0)
        return DataError::bad_local_header;
    *data_start = offset + header;
    *buffered_at = header;
    *buffered = static_cast<std::size_t>(got) - header;
    return DataError::none;
}

// The entry's compressed bytes are `head` and what follows at `rest_at` in the archive.
DataError EntryDecoder::inflate_whole(InputFile& archive, const ArchiveEntry& entry, const uint8_t* head,
                                      std::size_t head_size, uint64_t rest_at, const Sink& sink) {
    std::size_t in_size = static_cast<std::size_t>(entry.compressed_size);
    std::size_t out_size = static_cast<std::size_t>(entry.size);
    const uint8_t* in = head;
    if (head_size < in_size) {
        whole_in_.resize(in_size);
        std::memcpy(whole_in_.data(), head, head_size);
        std::size_t rest = in_size - head_size;
        if (archive.read_at(rest_at, whole_in_.data() + head_size, rest) != static_cast<int64_t>(rest))
            return DataError::read_failed;
        in = whole_in_.data();
    }
    whole_out_.resize(out_size);
    std::size_t used = 0;
    libdeflate_result r = libdeflate_deflate_decompress_ex(whole_inflater_, in, in_size, whole_out_.data(),
                                                           out_size, &used, nullptr);
    if (r == LIBDEFLATE_SHORT_OUTPUT || r == LIBDEFLATE_INSUFFICIENT_SPACE) return DataError::wrong_size;
    if (r != LIBDEFLATE_SUCCESS || used != in_size) return DataError::corrupt;
    DataError err = emit(entry, whole_out_.data(), out_size, sink);
    if (err != DataError::none) return err;
    return crc_ == entry.crc ? DataError::none : DataError::wrong_crc;
}

// Each piece on its own, read whole and inflated at once: libdeflate's pace, in buffers of a piece.
DataError EntryDecoder::inflate_pieces(InputFile& archive, const ArchiveEntry& entry, uint64_t at,
                                       const Sink& sink) {
    for (std::size_t i = 0; i < entry.piece_lengths.size(); ++i) {
        const bool last = i + 1 == entry.piece_lengths.size();
        const std::size_t in_size = entry.piece_lengths[i];
        const std::size_t out_size = static_cast<std::size_t>(last ? entry.size - produced_ : entry.piece_size);
        whole_in_.resize(in_size + sizeof kFinalEmptyBlock);
        if (archive.read_at(at, whole_in_.data(), in_size) != static_cast<int64_t>(in_size))
            return DataError::read_failed;
        at += in_size;
        const std::size_t stream_size = last ? in_size : in_size + sizeof kFinalEmptyBlock;
        std::memcpy(whole_in_.data() + in_size, kFinalEmptyBlock, sizeof kFinalEmptyBlock);
        whole_out_.resize(out_size);
        std::size_t used = 0;
        libdeflate_result r = libdeflate_deflate_decompress_ex(whole_inflater_, whole_in_.data(), stream_size,
                                                               whole_out_.data(), out_size, &used, nullptr);
        if (r == LIBDEFLATE_SHORT_OUTPUT || r == LIBDEFLATE_INSUFFICIENT_SPACE) return DataError::wrong_size;
        if (r != LIBDEFLATE_SUCCESS || used != stream_size) return DataError::corrupt;
        DataError err = emit(entry, whole_out_.data(), out_size, sink);
        if (err != DataError::none) return err;
    }
    return crc_ == entry.crc ? DataError::none : DataError::wrong_crc;
}

DataError EntryDecoder::feed(const ArchiveEntry& entry, const uint8_t* data, std::size_t size, bool last,
                             const Sink& sink) {
    if (entry.method == format::kStored) return emit(entry, data, size, sink);
    stream_.next_in = const_cast<Bytef*>(data);
    stream_.avail_in = static_cast<uInt>(size);
    for (;;) {
        stream_.next_out = out_.data();
        stream_.avail_out = static_cast<uInt>(out_.size());
        int rc = inflate(&stream_, Z_NO_FLUSH);
        std::size_t got = out_.size() - stream_.avail_out;
        if (got) {
            DataError err = emit(entry, out_.data(), got, sink);
            if (err != DataError::none) return err;
        }
        if (rc == Z_STREAM_END) {
            finished_ = true;
            return (stream_.avail_in != 0 || !last) ? DataError::corrupt : DataError::none;
        }
        if (rc == Z_BUF_ERROR && stream_.avail_in == 0) return last ? DataError::corrupt : DataError::none;
        if (rc != Z_OK) return DataError::corrupt;
    }
}

DataError EntryDecoder::emit(const ArchiveEntry& entry, const uint8_t* data, std::size_t size,
                             const Sink& sink) {
    if (size == 0) return DataError::none;
    if (entry.size - produced_ < size) return DataError::wrong_size;
    crc_ = libdeflate_crc32(crc_, data, size);
    produced_ += size;
    return sink(data, size) ? DataError::none : DataError::sink_failed;
}

}  // namespace zip
