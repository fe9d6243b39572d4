#include "backup/zip/span_classifier.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zip {

namespace {

constexpr int kHashBits = 13;  // a table that stays in the first-level cache
// Deflating a block must be expected to save at least this share of it (1/128: under 1 %).
constexpr std::size_t kMinGainShare = 128;
// What a dynamic Huffman header costs for each byte value in use, in bits (about).
constexpr double kTreeBitsPerSymbol = 4;

uint32_t load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

uint32_t hash4(uint32_t v) { return (v * 2654435761u) >> (32 - kHashBits); }

// A sample with this few byte values is plainly worth deflating: no need to count the whole block.
constexpr std::size_t kSample = 512;
constexpr int kFewValues = 64;

struct Histogram {
    uint32_t counts[256] = {};
    std::size_t size;

    Histogram(const uint8_t* data, std::size_t n) : size(n) {
        // Four tables, so that a run of one byte value does not wait on its own last increment.
        uint32_t part[4][256] = {};
        std::size_t i = 0;
        for (; i + 4 <= n; i += 4) {
            ++part[0][data[i]];
            ++part[1][data[i + 1]];
            ++part[2][data[i + 2]];
            ++part[3][data[i + 3]];
        }
        for (; i < n; ++i) ++part[0][data[i]];
        for (int v = 0; v < 256; ++v) counts[v] = part[0][v] + part[1][v] + part[2][v] + part[3][v];
    }

    int used() const {
        int n = 0;
        for (uint32_t c : counts) n += c != 0;
        return n;
    }

    // Bytes that Huffman codes fitted to the data would save, their header paid for.
    double huffman_gain() const {
        double bits = 0, n = static_cast<double>(size);
        for (uint32_t c : counts)
            if (c) bits += c * std::log2(n / c);
        return (8 * n - bits - kTreeBitsPerSymbol * used()) / 8;
    }
};

}  // namespace

SpanClassifier::SpanClassifier() : table_(std::size_t{1} << kHashBits, 0) {}

std::vector<Span> SpanClassifier::classify(const uint8_t* data, std::size_t size) {
    start_ = data;
    hashed_ = start_;
    uint64_t reach = static_cast<uint64_t>(data + size - start_) + kWindow + 1;
    if (base_ + reach > UINT32_MAX) {
        std::fill(table_.begin(), table_.end(), 0);
        base_ = 1;
    }
    std::vector<Span> spans;
    for (std::size_t at = 0; at < size;) {
        std::size_t n = size - at < 2 * kBlock ? size - at : kBlock;
        Span block = judge(data + at, n);
        block.begin = at;
        block.end = at + n;
        if (!spans.empty() && spans.back().deflate == block.deflate)
            spans.back().end = block.end;
        else
            spans.push_back(block);
        at += n;
    }
    // Positions of the next call start further on than the window reaches, so none of this call's match.
    base_ += static_cast<uint32_t>(reach);
    return spans;
}

Span SpanClassifier::judge(const uint8_t* block, std::size_t size) {
    Histogram sample(block, std::min(size, kSample));
    if (sample.used() <= kFewValues) return Span{0, 0, true};
    Histogram all(block, size);
    double needed = static_cast<double>(size) / kMinGainShare, gain = all.huffman_gain();
    if (gain < needed && gain + static_cast<double>(repeats(block, size)) < needed) return Span{};
    return Span{0, 0, true};
}

// Positions in the block whose next 4 bytes occurred within the window before: each is about one
// byte a match saves.
std::size_t SpanClassifier::repeats(const uint8_t* block, std::size_t size) {
    if (size < 4) return 0;
    const uint8_t* last = block + size - 4;
    const uint8_t* p = std::max(hashed_, block - std::min<std::size_t>(block - start_, kWindow));
    for (; p < block; ++p) table_[hash4(load32(p))] = base_ + static_cast<uint32_t>(p - start_);
    std::size_t found = 0;
    for (; p <= last; ++p) {
        uint32_t v = load32(p), pos = base_ + static_cast<uint32_t>(p - start_);
        uint32_t& seen = table_[hash4(v)];
        if (seen >= base_ && pos - seen <= kWindow && load32(start_ + (seen - base_)) == v) ++found;
        seen = pos;
    }
    hashed_ = last + 1;
    return found;
}

}  // namespace zip
