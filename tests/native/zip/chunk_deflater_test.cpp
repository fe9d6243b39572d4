// Pieces deflated one at a time by libdeflate form one deflate stream when laid end to end.
#include <libdeflate.h>

#include "backup/zip/chunk_deflater.h"
#include "zip_support/tree.h"

namespace zip_test {
namespace {

// Each seed gives other piece sizes and contents, so that deflated spans end on every bit of a
// byte, with stored spans (random bytes) between and after them.
TEST(ChunkDeflater, PiecesLaidEndToEndInflateAsOneStream) {
    zip::SpanClassifier classifier;
    libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
    for (unsigned seed = 0; seed < 48; ++seed) {
        std::string data = text_like(20000 + 997 * seed, seed) + random_bytes(40000 + 13 * seed, seed) +
                           text_like(70000 + 31 * seed, seed + 100) + (seed % 2 ? random_bytes(100, seed) : "");
        zip::ChunkDeflater deflater(seed % 3 ? 6 : 1);
        std::vector<uint8_t> stream;
        const std::size_t piece = 9000 + 23000 * (seed % 5);
        for (std::size_t at = 0; at < data.size(); at += piece) {
            const auto* p = reinterpret_cast<const uint8_t*>(data.data()) + at;
            std::size_t n = std::min(piece, data.size() - at);
            ASSERT_TRUE(deflater.deflate(p, n, classifier.classify(p, n), at + n == data.size(), &stream));
        }
        std::string out(data.size(), '\0');
        EXPECT_EQ(libdeflate_deflate_decompress(inflater, stream.data(), stream.size(), out.data(), out.size(), nullptr),
                  LIBDEFLATE_SUCCESS) << seed;
        EXPECT_EQ(out, data) << seed;
    }
    libdeflate_free_decompressor(inflater);
}

}  // namespace
}  // namespace zip_test
