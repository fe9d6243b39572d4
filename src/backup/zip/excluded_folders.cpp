#include "backup/zip/excluded_folders.h"

#include <algorithm>

#include "fs/case_fold.h"

namespace zip {

namespace {

std::string normalized(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// Whether `path` is `dir` or lies inside it; both real paths, spelled as the disk spells them.
bool within(const std::string& path, const std::string& dir) {
    if (path.compare(0, dir.size(), dir) != 0) return false;
    return path.size() == dir.size() || dir.back() == '/' || path[dir.size()] == '/';
}

bool same(const FolderId& a, const FolderId& b) { return !(a < b) && !(b < a); }

}  // namespace

ExcludedFolders::ExcludedFolders(FileSystem& fs, const std::string& root, const std::vector<std::string>& folders)
    : fs_(fs) {
    if (folders.empty()) return;
    const std::string real_root = normalized(fs.real_path(root));
    for (const std::string& folder : folders) {
        std::optional<FolderId> id = fs.folder_id(folder);
        std::string real = normalized(fs.real_path(folder));
        if (!id || real.empty() || within(real_root, real)) continue;
        std::string below;
        if (!real_root.empty() && within(real, real_root))
            below = fs::fold_case(real.substr(real_root.size() + (real_root.back() == '/' ? 0 : 1)));
        folders_.push_back(Folder{*id, real, below});
    }
}

bool ExcludedFolders::contains(const std::string& path, const std::string& relative, bool is_link,
                               const std::optional<FolderId>& id) {
    if (folders_.empty()) return false;
    if (is_link && leads_into(path)) return true;
    for (const Folder& folder : folders_) {
        if (id ? same(*id, folder.id) : is_at(path, relative, folder)) return true;
    }
    return false;
}

bool ExcludedFolders::leads_into(const std::string& path) {
    const std::string real = normalized(fs_.real_path(path));
    if (real.empty()) return false;
    for (const Folder& folder : folders_)
        if (within(real, folder.real)) return true;
    return false;
}

// Without links on the way, a folder can only be an excluded one at that one path; the system is
// asked only there (any case: Windows spells the same folder in many).
bool ExcludedFolders::is_at(const std::string& path, const std::string& relative, const Folder& folder) {
    if (folder.below_root.empty() || fs::fold_case(normalized(relative)) != folder.below_root) return false;
    std::optional<FolderId> id = fs_.folder_id(path);
    return id && same(*id, folder.id);
}

}  // namespace zip
