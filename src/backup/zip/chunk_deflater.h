// Raw deflate of one piece of a file, by libdeflate. Inside a piece, spans that do not compress
// become stored blocks instead of being deflated. libdeflate compresses a whole buffer and always
// ends it with a final block: where the stream goes on after a span, that block's final bit is
// cleared and the span is closed on a byte boundary by an empty stored block (what zlib's sync flush
// writes), so that spans and pieces laid end to end form one deflate stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <zlib.h>

#include "backup/zip/span_classifier.h"

struct libdeflate_compressor;

namespace zip {

class ChunkDeflater {
public:
    explicit ChunkDeflater(int level);
    ~ChunkDeflater();
    ChunkDeflater(const ChunkDeflater&) = delete;
    ChunkDeflater& operator=(const ChunkDeflater&) = delete;

    // Appends the blocks for data[0, size) to *out, span by span. With `last` the stream ends;
    // otherwise it ends on a byte boundary.
    bool deflate(const uint8_t* data, std::size_t size, const std::vector<Span>& spans, bool last,
                 std::vector<uint8_t>* out);

    // Appends data as stored blocks (an empty final one when there is no data and `last`).
    static void store(const uint8_t* data, std::size_t size, bool last, std::vector<uint8_t>* out);

private:
    bool deflate_span(const uint8_t* data, std::size_t size, bool last, std::vector<uint8_t>* out);
    bool leave_open(std::size_t begin, std::vector<uint8_t>* out);

    libdeflate_compressor* compressor_;
    z_stream inflater_{};  // finds the bit where a span's final block starts and where it ends
    bool inflater_ready_ = false;
    std::vector<uint8_t> discard_;  // what that inflate writes
};

}  // namespace zip
