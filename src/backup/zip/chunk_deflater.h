// Raw deflate of one piece of a file. Pieces after the first are primed with the 32 KiB before them
// and all but the last end on a sync flush, so the pieces laid end to end form one deflate stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <zlib.h>

namespace zip {

class ChunkDeflater {
public:
    static constexpr std::size_t kWindow = 32 * 1024;
    static constexpr std::size_t kSample = 64 * 1024;

    explicit ChunkDeflater(int level);
    ~ChunkDeflater();
    ChunkDeflater(const ChunkDeflater&) = delete;
    ChunkDeflater& operator=(const ChunkDeflater&) = delete;

    // Whether deflating is worth its time: a fast pass over the first 64 KiB saves at least 2%.
    bool worth_deflating(const uint8_t* data, std::size_t size);

    bool deflate(const uint8_t* dictionary, std::size_t dictionary_size, const uint8_t* data, std::size_t size,
                 bool last, std::vector<uint8_t>* out);

private:
    z_stream main_{};
    z_stream sample_{};
    std::vector<uint8_t> sample_out_;
    bool ready_ = false;
};

}  // namespace zip
