// Tells which parts of a file deflate can shrink, 16 KiB at a time, for a small fraction of what
// deflating them costs: a byte histogram tells what Huffman codes could save, and where that is
// nothing (data that looks random) a hash of 4-byte strings counts the repeats LZ77 would find.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zip {

struct Span {
    std::size_t begin = 0, end = 0;  // offsets into the classified data
    bool deflate = false;            // false: stored blocks
};

class SpanClassifier {
public:
    static constexpr std::size_t kBlock = 16 * 1024;
    static constexpr std::size_t kWindow = 32 * 1024;  // how far back deflate (and this) looks

    SpanClassifier();

    // Splits data[0, size) into blocks of kBlock (the last one takes the remainder) and joins
    // neighbours of the same kind.
    std::vector<Span> classify(const uint8_t* data, std::size_t size);

private:
    Span judge(const uint8_t* block, std::size_t size);
    std::size_t repeats(const uint8_t* block, std::size_t size);

    std::vector<uint32_t> table_;  // hash of 4 bytes -> position + base_ of their last occurrence
    uint32_t base_ = 1;
    const uint8_t* start_ = nullptr;   // the data of the current call
    const uint8_t* hashed_ = nullptr;  // positions below this are in the table
};

inline bool any_deflated(const std::vector<Span>& spans) {
    for (const Span& s : spans)
        if (s.deflate) return true;
    return false;
}

}  // namespace zip
