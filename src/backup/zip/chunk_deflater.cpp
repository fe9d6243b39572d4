#include "backup/zip/chunk_deflater.h"

#include <algorithm>

namespace zip {

ChunkDeflater::ChunkDeflater(int level) : sample_out_(kSample + 1024) {
    bool main_ok = deflateInit2(&main_, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    bool sample_ok = deflateInit2(&sample_, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    ready_ = main_ok && sample_ok;
}

ChunkDeflater::~ChunkDeflater() {
    deflateEnd(&main_);
    deflateEnd(&sample_);
}

bool ChunkDeflater::worth_deflating(const uint8_t* data, std::size_t size) {
    std::size_t n = std::min(size, kSample);
    if (!ready_ || deflateReset(&sample_) != Z_OK) return true;
    sample_.next_in = const_cast<Bytef*>(data);
    sample_.avail_in = static_cast<uInt>(n);
    sample_.next_out = sample_out_.data();
    sample_.avail_out = static_cast<uInt>(sample_out_.size());
    if (::deflate(&sample_, Z_FINISH) != Z_STREAM_END) return false;
    return sample_.total_out < n - n / 50;
}

bool ChunkDeflater::deflate(const uint8_t* dictionary, std::size_t dictionary_size, const uint8_t* data,
                            std::size_t size, bool last, std::vector<uint8_t>* out) {
    if (!ready_ || deflateReset(&main_) != Z_OK) return false;
    if (dictionary_size &&
        deflateSetDictionary(&main_, dictionary, static_cast<uInt>(dictionary_size)) != Z_OK)
        return false;
    out->resize(deflateBound(&main_, static_cast<uLong>(size)) + 64);
    main_.next_in = const_cast<Bytef*>(data);
    main_.avail_in = static_cast<uInt>(size);
    std::size_t written = 0;
    for (;;) {
        main_.next_out = out->data() + written;
        main_.avail_out = static_cast<uInt>(out->size() - written);
        int rc = ::deflate(&main_, last ? Z_FINISH : Z_SYNC_FLUSH);
        written = out->size() - main_.avail_out;
        if (rc == Z_STREAM_END || (!last && rc == Z_OK && main_.avail_in == 0 && main_.avail_out != 0)) break;
        if (rc != Z_OK && rc != Z_BUF_ERROR) return false;
        out->resize(out->size() * 2);
    }
    out->resize(written);
    return true;
}

}  // namespace zip
