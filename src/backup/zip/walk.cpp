#include "backup/zip/walk.h"

#include <algorithm>
#include <set>

#include "backup/zip/excluded_folders.h"
#include "backup/zip/names.h"

namespace zip {

namespace {

// The program may spell the archive's path with either separator.
std::string with_slashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// A folder is entered once only: a second way in (a link to a folder already listed, or a
// link to one of its own parents) is left out. Without links no folder can come round twice, so
// folders are told apart (a call to the system each) only once the walk has met a link; then
// those entered before are looked up too. An excluded folder is left out whichever way it is met.
class Entered {
   public:
    explicit Entered(ExcludedFolders& excluded) : excluded_(excluded) {}

    bool enter(FileSystem& fs, const SourceEntry& dir, WalkResult& result) {
        if (dir.is_link && !links_met_) {
            links_met_ = true;
            for (const std::string& path : paths_)
                if (std::optional<FolderId> id = fs.folder_id(path)) seen_.insert(*id);
        }
        if (!links_met_) {
            if (!dir.name.empty() && left_out(dir, std::nullopt, result)) return false;
            paths_.push_back(dir.path);
            return true;
        }
        return enter_once(fs, dir, result);
    }

   private:
    bool enter_once(FileSystem& fs, const SourceEntry& dir, WalkResult& result);
    bool left_out(const SourceEntry& dir, const std::optional<FolderId>& id, WalkResult& result) {
        if (!excluded_.contains(dir.path, dir.name, dir.is_link, id)) return false;
        result.skipped.push_back({dir.name, SkippedEntry::excluded_folder});
        return true;
    }
    ExcludedFolders& excluded_;
    std::vector<std::string> paths_;
    std::set<FolderId> seen_;
    bool links_met_ = false;
};

bool Entered::enter_once(FileSystem& fs, const SourceEntry& dir, WalkResult& result) {
    std::optional<FolderId> id = fs.folder_id(dir.path);
    if (!id) {
        result.skipped.push_back({dir.name, SkippedEntry::unreachable_link});
        return false;
    }
    if (!dir.name.empty() && left_out(dir, id, result)) return false;
    if (!seen_.insert(*id).second) {
        result.skipped.push_back({dir.name, SkippedEntry::repeated_folder});
        return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> describe_skipped(const std::vector<SkippedEntry>& skipped) {
    std::vector<std::string> lines;
    for (const SkippedEntry& s : skipped) {
        const char* why = s.reason == SkippedEntry::repeated_folder  ? "链接指向已备份的文件夹（或形成循环），已跳过"
                          : s.reason == SkippedEntry::unreachable_link ? "链接的目标无法访问，已跳过"
                          : s.reason == SkippedEntry::excluded_folder  ? "属于备份目录或配置目录，未备份"
                                                                        : "不是普通文件或文件夹，已跳过";
        lines.push_back(fs::shown(s.name) + "：" + why);
    }
    return lines;
}

WalkResult walk_tree(FileSystem& fs, const std::string& root, const std::string& skip,
                     const std::vector<std::string>& excluded, const LeaveOut& leave_out) {
    WalkResult result;
    const std::string skip_path = with_slashes(skip);
    // Folders still to list; popped in name order, each one's entry just before its contents.
    std::vector<SourceEntry> pending;
    pending.push_back(SourceEntry{"", root, true, 0, 0});
    std::vector<DirEntry> children;
    ExcludedFolders excluded_folders(fs, root, excluded);
    Entered entered(excluded_folders);
    while (!pending.empty()) {
        SourceEntry dir = std::move(pending.back());
        pending.pop_back();
        if (!entered.enter(fs, dir, result)) continue;
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
                          child.mtime, child.is_link};
            if (with_slashes(e.path) == skip_path || is_temporary_name(child.name)) continue;
            if (leave_out && leave_out(e.name, child.is_dir)) continue;
            if (child.unreachable) {
                auto reason = child.is_link ? SkippedEntry::unreachable_link : SkippedEntry::not_a_file;
                result.skipped.push_back({e.name, reason});
            } else if (child.is_dir) {
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
