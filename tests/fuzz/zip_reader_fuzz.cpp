// libFuzzer target: arbitrary bytes as an archive, through the central directory reader (its extra
// fields and the choice of each name's encoding), the name checks (escapes, Windows names, case
// clashes) and the entry decoder. Built and run by scripts/fuzz.sh.
#include <cstring>

#include "backup/zip/archive_reader.h"
#include "backup/zip/entry_paths.h"
#include "fs/memory_file_system.h"

namespace {

class MemoryInput : public fs::InputFile {
public:
    MemoryInput(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    uint64_t size() override { return size_; }
    int64_t read_at(uint64_t offset, void* buffer, std::size_t size) override {
        if (offset >= size_) return 0;
        std::size_t n = std::min<std::size_t>(size, size_ - static_cast<std::size_t>(offset));
        std::memcpy(buffer, data_ + offset, n);
        return static_cast<int64_t>(n);
    }

private:
    const uint8_t* data_;
    std::size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    MemoryInput input(data, size);
    zip::Directory dir = zip::read_directory(input, [](const std::string& raw) { return raw; });
    static zip::EntryDecoder decoder;
    static fs::MemoryFileSystem names_only;  // the name checks use its text conversion alone
    zip::EntryPaths paths(names_only);
    std::size_t budget = 4 << 20;  // entries may share one bomb of data; keep each input quick
    for (const zip::ArchiveEntry& e : dir.entries) {
        std::string relative;
        bool is_dir = false;
        paths.add(e, &relative, &is_dir);
        if (dir.error != zip::DirectoryError::none || e.is_dir) continue;
        decoder.decode(input, e, dir.data_end, [&](const uint8_t*, std::size_t n) {
            if (n > budget) return false;
            budget -= n;
            return true;
        });
    }
    return 0;
}
