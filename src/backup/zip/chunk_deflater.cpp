#include "backup/zip/chunk_deflater.h"

#include <algorithm>

#include <libdeflate.h>

namespace zip {

namespace {
constexpr std::size_t kMaxStoredBlock = 65535;
constexpr std::size_t kDiscard = 64 * 1024;
// zlib's inflate reports in data_type the unused bits of the last byte it took, 64 while in the
// final block and 128 at a block boundary.
constexpr int kUnusedBits = 63, kInFinalBlock = 64, kAtBoundary = 128;
}  // namespace

ChunkDeflater::ChunkDeflater(int level)
    : compressor_(libdeflate_alloc_compressor(std::clamp(level, 0, 12))), discard_(kDiscard) {
    inflater_ready_ = inflateInit2(&inflater_, -MAX_WBITS) == Z_OK;
}

ChunkDeflater::~ChunkDeflater() {
    libdeflate_free_compressor(compressor_);
    inflateEnd(&inflater_);
}

bool ChunkDeflater::deflate(const uint8_t* data, std::size_t size, const std::vector<Span>& spans, bool last,
                            std::vector<uint8_t>* out) {
    for (const Span& s : spans) {
        bool final = last && s.end == size;
        if (!s.deflate) {
            store(data + s.begin, s.end - s.begin, final, out);
        } else if (!deflate_span(data + s.begin, s.end - s.begin, final, out)) {
            return false;
        }
    }
    return true;
}

void ChunkDeflater::store(const uint8_t* data, std::size_t size, bool last, std::vector<uint8_t>* out) {
    do {
        std::size_t n = std::min(size, kMaxStoredBlock);
        uint8_t header[5] = {static_cast<uint8_t>(last && n == size), static_cast<uint8_t>(n),
                             static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(~n), static_cast<uint8_t>(~n >> 8)};
        out->insert(out->end(), header, header + sizeof header);
        out->insert(out->end(), data, data + n);
        data += n;
        size -= n;
    } while (size > 0);
}

bool ChunkDeflater::deflate_span(const uint8_t* data, std::size_t size, bool last,
                                 std::vector<uint8_t>* out) {
    if (!compressor_) return false;
    std::size_t begin = out->size();
    out->resize(begin + libdeflate_deflate_compress_bound(compressor_, size));
    std::size_t written =
        libdeflate_deflate_compress(compressor_, data, size, out->data() + begin, out->size() - begin);
    out->resize(begin + written);
    return written > 0 && (last || leave_open(begin, out));
}

// Turns the complete stream at out[begin, end) into one that goes on: inflating it with a stop at
// every block boundary tells the bit where its final block starts and the bit where it ends.
bool ChunkDeflater::leave_open(std::size_t begin, std::vector<uint8_t>* out) {
    uint8_t* stream = out->data() + begin;
    std::size_t size = out->size() - begin;
    if (!inflater_ready_ || inflateReset(&inflater_) != Z_OK) return false;
    inflater_.next_in = stream;
    inflater_.avail_in = static_cast<uInt>(size);
    uint64_t final_block = 0, end = 0;  // bit offsets
    for (;;) {
        inflater_.next_out = discard_.data();
        inflater_.avail_out = static_cast<uInt>(discard_.size());
        if (inflate(&inflater_, Z_BLOCK) != Z_OK) return false;
        if (!(inflater_.data_type & kAtBoundary)) continue;
        uint64_t bit = 8 * (size - inflater_.avail_in) - (inflater_.data_type & kUnusedBits);
        if (inflater_.data_type & kInFinalBlock) {
            end = bit;
            break;
        }
        final_block = bit;
    }
    if (inflater_.avail_in != 0 || end + 8 <= 8 * size) return false;
    stream[final_block / 8] &= static_cast<uint8_t>(~(1u << (final_block % 8)));
    // An empty stored block: three zero bits (not final, stored), zeros up to the byte, LEN 0, NLEN.
    if (end % 8) stream[end / 8] &= static_cast<uint8_t>((1u << (end % 8)) - 1);
    if (end + 3 > 8 * size) out->push_back(0);
    const uint8_t empty_stored[4] = {0x00, 0x00, 0xff, 0xff};
    out->insert(out->end(), empty_stored, empty_stored + sizeof empty_stored);
    return true;
}

}  // namespace zip
