#include "backup/set_comparison.h"

#include <cstdlib>
#include <map>

#include "backup/sets.h"
#include "backup/zip/archive_reader.h"
#include "backup/zip/format.h"
#include "backup/zip/names.h"
#include "backup/zip/walk.h"
#include "fs/case_fold.h"

namespace backup {

namespace {

struct Facts {
    std::string name;  // relative, '/' between names
    uint64_t size = 0;
    int64_t mtime = 0;
    bool exact = true;  // the archive's time is the exact second
};

// One side of the comparison, by folded name: Windows matches names without case.
struct Side {
    std::map<std::string, Facts> files;
    std::map<std::string, std::string> folders;  // folded → as spelled
};

void add(Side& side, const std::string& relative, bool is_dir, Facts facts) {
    const std::string key = fs::fold_case(relative);
    if (is_dir)
        side.folders[key] = relative;
    else
        side.files[key] = std::move(facts);
}

// Only the central directory; "" or why the archive could not be read.
std::string read_archive(fs::FileSystem& fs, const std::string& archive, const Exclusions& patterns, Side& side,
                         bool* whole) {
    std::unique_ptr<fs::InputFile> in = fs.open_read(archive);
    if (!in) return "无法打开";
    const zip::Directory dir = zip::read_directory(*in, fs::legacy_name);
    if (dir.error == zip::DirectoryError::not_zip || dir.error == zip::DirectoryError::corrupt ||
        dir.error == zip::DirectoryError::multi_disk)
        return "不是完好的 ZIP 文件";
    *whole = dir.error == zip::DirectoryError::none;
    for (const zip::ArchiveEntry& e : dir.entries) {
        std::string relative;
        bool is_dir = false;
        if (!zip::safe_relative_path(e.name, &relative, &is_dir)) continue;  // never restored
        is_dir = is_dir || e.is_dir;
        if (patterns.excludes_within(relative) || (is_dir && patterns.excludes(relative, true))) continue;
        add(side, relative, is_dir, {relative, e.size, e.mtime, e.exact_time});
    }
    return "";
}

// The folder as a backup walks it; "" or the folder that could not be listed.
std::string read_folder(fs::FileSystem& fs, const std::string& folder, const LeftOut& left_out, Side& side) {
    const zip::WalkResult walk = zip::walk_tree(fs, folder, "", left_out.folders, left_out.patterns.leave_out());
    for (const zip::SourceEntry& e : walk.entries) {
        const std::string relative = e.is_dir ? e.name.substr(0, e.name.size() - 1) : e.name;
        add(side, relative, e.is_dir, {relative, e.size, e.mtime});
    }
    return walk.ok ? "" : walk.failed_path;
}

// Later than the archive's copy, beyond the archive's resolution.
bool newer(const Facts& on_disk, const Facts& in_archive) {
    return on_disk.mtime > in_archive.mtime + (in_archive.exact ? 0 : 1);
}

void compare_files(const Side& archive, const Side& disk, FolderComparison& c) {
    for (const auto& [key, a] : archive.files) {
        const auto d = disk.files.find(key);
        if (d == disk.files.end()) {
            c.added.push_back(fs::shown(a.name));
            continue;
        }
        const Facts& f = d->second;
        if (f.size == a.size && same_time(a.mtime, a.exact, f.mtime)) {
            c.identical.push_back(fs::shown(f.name));
            continue;
        }
        c.replaced.push_back(fs::shown(f.name));
        if (newer(f, a)) c.newer_on_disk.push_back(fs::shown(f.name));
    }
    for (const auto& [key, d] : disk.files)
        if (!archive.files.count(key)) c.only_on_disk.push_back(fs::shown(d.name));
    for (const Side* side : {&archive, &disk}) {
        const Side& other = side == &archive ? disk : archive;
        for (const auto& [key, name] : side->folders)
            if (!other.folders.count(key)) c.folders_apart.push_back(fs::shown(name));
    }
}

}  // namespace

bool FolderComparison::unchanged() const {
    if (archive_missing || folder_missing) return archive_missing == folder_missing;
    return unreadable.empty() && unlisted.empty() && directory_whole && replaced.empty() && added.empty() &&
           only_on_disk.empty() && folders_apart.empty();
}

bool same_time(int64_t in_archive, bool exact, int64_t on_disk) {
    if (exact) return in_archive == on_disk;
    // A DOS time is local and even; writers round down or up to it, and clamp what it cannot hold.
    return std::llabs(on_disk - in_archive) < 2 ||
           in_archive == zip::format::from_dos_time(zip::format::to_dos_time(on_disk));
}

FolderComparison compare_folder(fs::FileSystem& fs, int k, const std::string& archive,
                                const std::string& folder, const LeftOut& left_out) {
    FolderComparison c;
    c.k = k;
    c.folder = folder;
    c.archive = archive;
    c.folder_missing = folder.empty() || !fs.is_folder(folder);
    c.archive_missing = !fs.exists(archive);
    if (c.archive_missing) return c;
    Side in_archive, on_disk;
    c.unreadable = read_archive(fs, archive, left_out.patterns, in_archive, &c.directory_whole);
    if (!c.unreadable.empty()) return c;
    if (!c.folder_missing) c.unlisted = read_folder(fs, folder, left_out, on_disk);
    compare_files(in_archive, on_disk, c);
    return c;
}

std::vector<FolderComparison> compare_with_set(fs::FileSystem& fs, const std::string& first_archive,
                                               const std::vector<std::string>& save_paths,
                                               const LeftOut& left_out) {
    std::vector<FolderComparison> out;
    for (std::size_t k = 1; k <= save_paths.size(); ++k) {
        const int n = static_cast<int>(k);
        out.push_back(compare_folder(fs, n, archive_name(first_archive, n), save_paths[k - 1], left_out));
    }
    return out;
}

}  // namespace backup
