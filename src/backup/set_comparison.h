#pragma once
// The one comparison of a project's save folders with a backup set: whether a backup that runs by
// itself can be skipped, and what 比较 in 存档历史 shows a restore would do. Only the folders'
// listings and the archives' central directories are read; nothing is decompressed.
//
// The rule: names match as Windows compares them (without case); a file is identical when its
// size and its time at the archive's resolution match (the exact second where the entry carries
// an extended-timestamp or NTFS field, the 2-second step of a DOS time otherwise); whatever a
// backup leaves out of a save folder is left out of the comparison too.
#include <cstdint>
#include <string>
#include <vector>

#include "backup/exclusions.h"
#include "fs/file_system.h"

namespace backup {

// What a backup leaves out of a save folder, and so the comparison too.
struct LeftOut {
    std::vector<std::string> folders;  // the tool's own folders (ProjectState::excluded_folders)
    Exclusions patterns;               // the project's 排除, on both sides
};

// What restoring an archive would do to one save folder. Names are relative, as the user reads them.
struct FolderComparison {
    int k = 1;
    std::string folder;
    std::string archive;
    bool archive_missing = false;
    bool folder_missing = false;
    std::string unreadable;                  // why the archive could not be read; "" when it was
    std::string unlisted;                    // a folder below the save folder that could not be listed
    bool directory_whole = true;             // every entry of the archive's directory could be read
    std::vector<std::string> replaced;       // in the archive and on disk, different
    std::vector<std::string> newer_on_disk;  // of those, the ones written on disk after the archive's copy
    std::vector<std::string> added;          // only in the archive
    std::vector<std::string> identical;      // same size and time
    std::vector<std::string> only_on_disk;   // stay as they are
    std::vector<std::string> folders_apart;  // folders (empty ones too) on one side only

    // The folder holds exactly what the archive holds, or neither is there.
    bool unchanged() const;
};

// Compares the archive with the save folder it restores into.
FolderComparison compare_folder(fs::FileSystem& fs, int k, const std::string& archive,
                                const std::string& folder, const LeftOut& left_out);
// Archive k of the set whose first archive is `first_archive` with save folder k, for every k.
std::vector<FolderComparison> compare_with_set(fs::FileSystem& fs, const std::string& first_archive,
                                               const std::vector<std::string>& save_paths,
                                               const LeftOut& left_out);

// Whether a file's time on disk is the one the archive keeps, at the archive's resolution.
bool same_time(int64_t in_archive, bool exact, int64_t on_disk);

}  // namespace backup
