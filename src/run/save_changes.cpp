#include "run/save_changes.h"

#include <map>

#include "backup/sets.h"
#include "backup/zip/archive_reader.h"
#include "backup/zip/format.h"
#include "backup/zip/walk.h"

namespace {

struct Seen {
    bool is_dir = false;
    uint64_t size = 0;
    int64_t mtime = 0;
};

// Our archives carry the exact second in an extended-timestamp field; a time that field cannot
// hold was stored in DOS form only (local time, 2-second steps).
bool same_time(int64_t in_archive, int64_t on_disk) {
    if (in_archive == on_disk) return true;
    if (on_disk >= INT32_MIN && on_disk <= INT32_MAX) return false;
    return in_archive == zip::format::from_dos_time(zip::format::to_dos_time(on_disk));
}

}  // namespace

namespace {

bool read_entries(fs::FileSystem& fs, const std::string& archive, std::map<std::string, Seen>* seen) {
    std::unique_ptr<fs::InputFile> in = fs.open_read(archive);
    if (!in) return false;
    const zip::Directory dir =
        zip::read_directory(*in, fs::legacy_name);
    if (dir.error != zip::DirectoryError::none) return false;
    for (const zip::ArchiveEntry& e : dir.entries) (*seen)[e.name] = {e.is_dir, e.size, e.mtime};
    return true;
}

bool folder_matches(fs::FileSystem& fs, const std::string& folder, const std::string& archive,
                    const std::vector<std::string>& excluded) {
    const bool has_folder = !folder.empty() && fs.is_folder(folder);
    const bool has_archive = fs.exists(archive);
    if (!has_folder || !has_archive) return has_folder == has_archive;
    std::map<std::string, Seen> stored;
    if (!read_entries(fs, archive, &stored)) return false;
    const zip::WalkResult walk = zip::walk_tree(fs, folder, "", excluded);
    if (!walk.ok || walk.entries.size() != stored.size()) return false;
    for (const zip::SourceEntry& e : walk.entries) {
        const auto it = stored.find(e.name);
        if (it == stored.end() || it->second.is_dir != e.is_dir) return false;
        if (!e.is_dir && (it->second.size != e.size || !same_time(it->second.mtime, e.mtime))) return false;
    }
    return true;
}

}  // namespace

bool saves_unchanged(fs::FileSystem& fs, const ProjectState& project) {
    if (project.save_paths.empty()) return false;
    const std::string first = newest_set(fs, project.backup_folder);
    if (first.empty()) return false;
    for (size_t k = 1; k <= project.save_paths.size(); ++k)
        if (!folder_matches(fs, project.save_paths[k - 1], archive_name(first, static_cast<int>(k)),
                            project.excluded_folders))
            return false;
    return true;
}
