// Raw deflate of one piece of a file. Pieces after the first are primed with the 32 KiB before them
// and all but the last end on a sync flush, so the pieces laid end to end form one deflate stream.
// Inside a piece, spans that do not compress become stored blocks instead of being deflated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <zlib.h>

#include "backup/zip/span_classifier.h"

namespace zip {

class ChunkDeflater {
public:
    static constexpr std::size_t kWindow = 32 * 1024;

    explicit ChunkDeflater(int level);
    ~ChunkDeflater();
    ChunkDeflater(const ChunkDeflater&) = delete;
    ChunkDeflater& operator=(const ChunkDeflater&) = delete;

    // Appends the blocks for data[0, size) to *out, span by span. The `history` bytes before data
    // in memory are the file's content just before it: each deflated span is primed with up to
    // 32 KiB of what precedes it. With `last` the stream ends; otherwise it ends on a byte boundary.
    bool deflate(const uint8_t* data, std::size_t history, std::size_t size, const std::vector<Span>& spans,
                 bool last, std::vector<uint8_t>* out);

    // Appends data as stored blocks (an empty final one when there is no data and `last`).
    static void store(const uint8_t* data, std::size_t size, bool last, std::vector<uint8_t>* out);

private:
    bool reset(const Span& span);
    bool deflate_span(const uint8_t* data, std::size_t history, const Span& span, bool last,
                      std::vector<uint8_t>* out);

    z_stream stream_{};
    int level_;
    bool ready_ = false;
};

}  // namespace zip
