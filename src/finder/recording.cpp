#include "finder/recording.h"

#include <iterator>

#include "paths/gbk_text.h"

namespace finder {

namespace {

// File times may be rounded to two seconds (FAT): a file written at the very start counts.
constexpr int64_t kTimeSlack = 2;

// Collects the files of a folder tree, keyed by their lower-case path so that two roots reporting
// the same file count it once.
class Collector {
   public:
    Collector(fs::FileSystem& fs, const std::vector<Root>& roots) : fs_(fs), roots_(roots) {}

    void add_file(const std::string& path, const fs::DirEntry& info) {
        files_[gbk::ascii_lower(path)] = {path, info.size, info.mtime};
    }

    // Links are not followed: a link may lead round in a circle, and what it leads to is not
    // what the program wrote here.
    void walk(const std::string& folder, int64_t written_since) {
        std::vector<fs::DirEntry> entries;
        if (!fs_.list_dir(fs::path_of(folder), &entries)) return;
        for (const fs::DirEntry& e : entries) {
            if (e.is_link || e.unreachable) continue;
            const std::string path = folder + fs::named("\\", e.name);
            if (e.is_dir) {
                if (!left_out_folder(path)) walk(path, written_since);
            } else if (e.mtime >= written_since) {
                add_file(path, e);
            }
        }
    }

    std::vector<WrittenFile> files() const {
        std::vector<WrittenFile> out;
        for (const auto& [key, file] : files_) out.push_back(file);
        return out;
    }

   private:
    bool left_out_folder(const std::string& path) const {
        std::string relative;
        const int r = root_of(roots_, path, &relative);
        return r >= 0 && !relative.empty() && is_left_out_folder(roots_[static_cast<size_t>(r)].kind, relative);
    }

    fs::FileSystem& fs_;
    const std::vector<Root>& roots_;
    std::map<std::string, WrittenFile> files_;
};

}  // namespace

Recording::Recording(std::vector<Root> roots, int64_t started)
    : roots_(std::move(roots)), started_(started), rescan_(roots_.size(), false) {}

void Recording::note(size_t root, const std::string& relative, bool appeared) {
    if (root >= roots_.size() || relative.empty() || rescan_[root]) return;
    const std::string path = roots_[root].path + "\\" + relative;
    // Judged by the deepest root that holds it: a program folder inside Temp is the program's.
    std::string own_relative;
    const int r = root_of(roots_, path, &own_relative);
    if (r < 0 || is_left_out(roots_[static_cast<size_t>(r)].kind, own_relative)) return;
    bool& seen_appearing = changes_[path];
    seen_appearing = seen_appearing || appeared;
    // A program writing a flood of files (an installer, a cache we do not know) must not fill the
    // memory: past the limit its root is compared by time at the end instead.
    if (changes_.size() > kMostNames) rescan(static_cast<size_t>(r));
}

void Recording::rescan(size_t root) {
    if (root >= rescan_.size()) return;
    rescan_[root] = true;
    // Its names are found again by the walk; those of a root inside it are not.
    for (auto it = changes_.begin(); it != changes_.end();)
        it = root_of(roots_, it->first, nullptr) == static_cast<int>(root) ? changes_.erase(it) : std::next(it);
}

std::vector<WrittenFile> Recording::written_files(fs::FileSystem& fs) const {
    Collector collector(fs, roots_);
    for (const auto& [path, appeared] : changes_) {
        fs::DirEntry info;
        if (!fs.stat(fs::path_of(path), &info)) continue;
        if (!info.is_dir)
            collector.add_file(path, info);
        else if (appeared)
            collector.walk(path, INT64_MIN);
    }
    for (size_t r = 0; r < roots_.size(); ++r)
        if (rescan_[r]) collector.walk(roots_[r].path, started_ - kTimeSlack);
    return collector.files();
}

}  // namespace finder
