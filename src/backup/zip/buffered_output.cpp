#include "backup/zip/buffered_output.h"

#include <cstring>

namespace zip {

BufferedOutput::BufferedOutput(OutputFile& file, std::size_t capacity) : file_(file), capacity_(capacity) {
    buffer_.reserve(capacity);
}

bool BufferedOutput::write(const void* data, std::size_t size) {
    if (buffer_.size() + size > capacity_ && !flush()) return false;
    if (size >= capacity_) {
        if (!file_.write(data, size)) return false;
        flushed_ += size;
        return true;
    }
    const auto* p = static_cast<const uint8_t*>(data);
    buffer_.insert(buffer_.end(), p, p + size);
    return true;
}

bool BufferedOutput::patch(uint64_t offset, const void* data, std::size_t size) {
    if (offset >= flushed_ && offset + size <= position()) {
        std::memcpy(buffer_.data() + (offset - flushed_), data, size);
        return true;
    }
    return flush() && file_.write_at(offset, data, size);
}

bool BufferedOutput::flush() {
    if (buffer_.empty()) return true;
    if (!file_.write(buffer_.data(), buffer_.size())) return false;
    flushed_ += buffer_.size();
    buffer_.clear();
    return true;
}

}  // namespace zip
