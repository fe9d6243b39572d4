#include "config/ini_file.h"

#include <ctime>
#include <map>
#include <mutex>

#include "config/config_lock.h"

namespace ini {

namespace {

constexpr std::size_t kMaxFile = 64u << 20;  // far beyond any list; more is not a list of ours

struct Cached {
    uint64_t size = 0;
    int64_t mtime = 0;
    std::time_t parsed_at = 0;
    std::shared_ptr<const Document> doc;
};

// Keyed by file system and path: tests hold several file systems with the same paths.
using CacheKey = std::pair<const fs::FileSystem*, std::string>;
std::mutex cache_mutex;
std::map<CacheKey, Cached>& cache() {
    static std::map<CacheKey, Cached> entries;
    return entries;
}

// Times have whole seconds: a file changed in the second it was read in could change again
// unseen within that second, so such a copy is trusted only once that second has passed.
bool still_valid(const Cached& c, const fs::DirEntry& now) {
    return c.doc && c.size == now.size && c.mtime == now.mtime && now.mtime < c.parsed_at;
}

// What the file holds now; nullopt when it exists but cannot be read.
std::optional<std::shared_ptr<const Document>> parse_file(fs::FileSystem& fs, const std::string& path,
                                                          const fs::DirEntry* info) {
    if (!info) return std::make_shared<const Document>(Document::parse(""));
    std::optional<std::string> bytes = fs::read_whole_file(fs, path, kMaxFile);
    if (!bytes) return std::nullopt;
    return std::make_shared<const Document>(Document::parse(*bytes));
}

void remember(fs::FileSystem& fs, const std::string& path, std::time_t parsed_at,
              std::shared_ptr<const Document> doc) {
    fs::DirEntry info;
    std::lock_guard<std::mutex> guard(cache_mutex);
    if (fs.stat(path, &info))
        cache()[{&fs, path}] = Cached{info.size, info.mtime, parsed_at, std::move(doc)};
    else
        cache().erase({&fs, path});
}

}  // namespace

std::shared_ptr<const Document> load(fs::FileSystem& fs, const std::string& path) {
    ConfigFilesLock lock;
    fs::DirEntry info;
    const bool exists = fs.stat(path, &info) && !info.is_dir;
    {
        std::lock_guard<std::mutex> guard(cache_mutex);
        auto it = cache().find({&fs, path});
        if (exists && it != cache().end() && still_valid(it->second, info)) return it->second.doc;
    }
    const std::time_t parsed_at = std::time(nullptr);
    auto doc = parse_file(fs, path, exists ? &info : nullptr).value_or(nullptr);
    if (!doc) return std::make_shared<const Document>(Document::parse(""));
    if (exists) {
        std::lock_guard<std::mutex> guard(cache_mutex);
        cache()[{&fs, path}] = Cached{info.size, info.mtime, parsed_at, doc};
    }
    return doc;
}

bool update(fs::FileSystem& fs, const std::string& path, const std::function<bool(Document&)>& change) {
    ConfigFilesLock lock;
    fs::DirEntry info;
    const bool exists = fs.stat(path, &info);
    if (exists && info.is_dir) return false;
    auto current = parse_file(fs, path, exists ? &info : nullptr);
    if (!current) return false;  // a file that cannot be read is never replaced by a guess
    auto doc = std::make_shared<Document>(**current);
    if (!change(*doc)) return true;
    // A file that seemed missing is written only as a new one: a stat that failed on an existing
    // list must not turn into a list of one section.
    if (!fs::write_file_atomically(fs, path, doc->text(), exists)) {
        std::lock_guard<std::mutex> guard(cache_mutex);
        cache().erase({&fs, path});
        return false;
    }
    remember(fs, path, std::time(nullptr), std::move(doc));
    return true;
}

}  // namespace ini
