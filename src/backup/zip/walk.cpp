#include "backup/zip/walk.h"

#include <algorithm>

#include "backup/zip/names.h"

namespace zip {

namespace {

// The program may spell the archive's path with either separator.
std::string with_slashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

}  // namespace

WalkResult walk_tree(FileSystem& fs, const std::string& root, const std::string& skip) {
    WalkResult result;
    const std::string skip_path = with_slashes(skip);
    // Folders still to list; popped in name order, each one's entry just before its contents.
    std::vector<SourceEntry> pending;
    pending.push_back(SourceEntry{"", root, true, 0, 0});
    std::vector<DirEntry> children;
    while (!pending.empty()) {
        SourceEntry dir = std::move(pending.back());
        pending.pop_back();
        if (!dir.name.empty()) result.entries.push_back(dir);
        children.clear();
        if (!fs.list_dir(dir.path, &children)) {
            result.ok = false;
            result.failed_path = dir.path;
            return result;
        }
        std::sort(children.begin(), children.end(),
                  [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
        std::size_t first_dir = pending.size();
        for (const DirEntry& child : children) {
            SourceEntry e{dir.name + child.name, join_path(dir.path, child.name), child.is_dir, child.size,
                          child.mtime};
            if (with_slashes(e.path) == skip_path) continue;
            if (child.is_dir) {
                e.name += '/';
                e.size = 0;
                pending.push_back(std::move(e));
            } else {
                result.entries.push_back(std::move(e));
            }
        }
        std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(first_dir), pending.end());
    }
    return result;
}

}  // namespace zip
