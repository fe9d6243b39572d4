// Collects small writes into large ones and patches bytes already written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "backup/zip/file_port.h"

namespace zip {

class BufferedOutput {
public:
    BufferedOutput(OutputFile& file, std::size_t capacity);

    bool write(const void* data, std::size_t size);
    // Overwrites earlier bytes, in the buffer when they are still there.
    bool patch(uint64_t offset, const void* data, std::size_t size);
    bool flush();
    uint64_t position() const { return flushed_ + buffer_.size(); }

private:
    OutputFile& file_;
    std::size_t capacity_;
    std::vector<uint8_t> buffer_;
    uint64_t flushed_ = 0;
};

}  // namespace zip
