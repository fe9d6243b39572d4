#pragma once
// A project's backup sets: "<time text>.zip" holds its first save folder and "<time text>.zip<k>"
// save folder k, in its backup folder (backups) or in its "恢复前" (safety copies). Names are
// made and read here only, and a folder is listed into sets here only.
#include <cstdint>
#include <string>
#include <vector>

#include "fs/file_system.h"
#include "fs/recycle_bin.h"

namespace backup {

// Where a project's safety copies are, in its backup folder: sets by their own rule.
inline constexpr const char* kSafetyCopyFolder = FS_NAME("恢复前");

// The file name of archive k (from 1) of the set named by `stem`, a time text.
std::string set_file_name(const std::string& stem, int k = 1);
// Archive k of the set whose first archive is `first_archive` (a path): its companions follow by number.
std::string archive_name(const std::string& first_archive, int k);

struct ArchiveSet {
    std::string stem;             // the time text (ANSI, as the user reads it)
    int64_t seconds = 0;          // its moment, for ordering
    std::string folder;           // where its archives lie
    std::vector<int> numbers;     // of the archives there, ascending: 1 is the first archive
    std::vector<std::string> names;  // their file names, in that order
    std::vector<uint64_t> sizes;     // their sizes, in that order

    // A restore starts from the first archive: a backup set without it cannot be chosen.
    bool complete() const { return !numbers.empty() && numbers.front() == 1; }
    std::string first_archive() const { return folder + "/" + set_file_name(stem); }
    std::vector<std::string> paths() const;
    // How 备份信息.ini names the set: its first archive's file name as text.
    std::string key() const { return stem + ".zip"; }
};

// What a listing counts.
struct SetListing {
    bool complete_only = true;     // only sets whose first archive is there
    bool dangling_counts = false;  // a name that leads nowhere (a dangling link) still counts as there
};

// The sets of a folder, newest first; nothing else in it (notes, folders, other files) is one.
std::vector<ArchiveSet> list_sets(fs::FileSystem& fs, const std::string& folder, SetListing listing = {});
// The first archive of the newest complete set of a backup folder; "" when there is none.
std::string newest_set(fs::FileSystem& fs, const std::string& backup_folder);
// How 备份信息.ini names the set whose first archive is at `first_archive`.
std::string set_key(const std::string& first_archive);

// What backups and restores ended by force left in a project's backup folder: unfinished archives
// under temporary names, and companions whose first archive was never published. Safety copies
// are sets by their own rule: one without its first archive is whole and stays.
void remove_backup_leftovers(fs::FileSystem& fs, const std::string& backup_folder);

// Moves every archive of the set to the Recycle Bin, or none: a set one of whose archives another
// program holds stays whole (the next start would sweep companions left without their first
// archive). Returns the archives still there; none when the set went.
std::vector<std::string> recycle_set(fs::FileSystem& fs, fs::RecycleBin& bin, const ArchiveSet& set);

}  // namespace backup
