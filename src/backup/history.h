#pragma once
// The backup history of a project: every archive set of its backup folder and every safety copy of
// its "恢复前", with what 备份信息.ini knows of them, and what restoring one would do to the save
// folders. Rows come from folder listings only, so a folder of a thousand sets opens at once; an
// archive is opened only to compare it, and then only its central directory is read.
#include <cstdint>
#include <string>
#include <vector>

#include "backup/backup_info.h"
#include "backup/set_comparison.h"
#include "backup/sets.h"
#include "fs/file_system.h"

namespace backup {

struct HistoryRow {
    ArchiveSet set;
    uint64_t size = 0;           // all archives together
    int folders = 0;             // the project's save folders
    bool safety_copy = false;    // from "恢复前"
    SetInfo info;
    std::string place;           // 位置, of a project that syncs: 本机, 服务器 or 两处
    int server = -1;             // a set only on the server: its index in the server's listing
};

// Sets whose first archive is there, from the backup folder and its "恢复前", newest first. Strays
// (other names, folders, companions without their first archive) never appear.
std::vector<HistoryRow> history_rows(fs::FileSystem& fs, const std::string& backup_folder, int save_folders);

// Where a row keeps its kind, note and kept mark.
BackupInfo info_of(fs::FileSystem& fs, const HistoryRow& row);

enum class HistoryColumn { time, kind, size, folders, note, place };
void sort_rows(std::vector<HistoryRow>& rows, HistoryColumn by, bool ascending);

// The cells of a row, in the order of the columns.
std::string size_text(uint64_t bytes);          // "12 KB", "3.4 MB"
std::string folders_text(const HistoryRow& row);  // "2/3": archives present / save folders
std::string note_text(const HistoryRow& row);     // "★" first for a kept set, then the damaged mark
inline constexpr const char* kDamagedMark = "【已损坏】";

// A note as it is kept: one line, at most 100 characters (a two-byte character counts once).
std::string clip_note(const std::string& note);
inline constexpr int kNoteLength = 100;

// Compares each archive of the row with the save folder it restores into, by the one rule of
// set_comparison.h.
std::vector<FolderComparison> compare_set(fs::FileSystem& fs, const HistoryRow& row,
                                          const std::vector<std::string>& save_paths,
                                          const LeftOut& left_out = {});
// The comparison as the user reads it; it starts with "当前存档比这个备份新：…" when a file on disk is
// newer than its copy in the archive, then `heading` on a line of its own, then each folder.
std::string comparison_text(const std::vector<FolderComparison>& folders, const std::string& heading = "");

}  // namespace backup
