#pragma once
// A restore that can always be taken back, and its undo. A restore goes through these states:
//   plan        every archive of the set is there or missing, opens and holds only safe names;
//               the safety copy in the project's "恢复前" is named
//   stage       every archive is written and verified beside its target; a file already there
//               with the archive's size, time and bytes is left as it is (nothing to replace)
//   swap        the files move into place by renames recorded, before the first, in a journal;
//               the files they replace are set aside beside them, and those are the safety copy
//   safety copy the files set aside are packed into "恢复前" (quickly: it is kept a few restores);
//               files the restore does not touch are not copied, they do not change
//   record      what it replaced and added is kept for its undo ("上次恢复.txt")
//   clean up    the old copies set aside and the journal go
// Any failure before the journal says "committed", also one that ends the program, is taken back
// to the state before; after it the restore is finished, at the latest at the next start. Undo is
// the same machine with the safety copy as its source.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "backup/operation_types.h"
#include "backup/sets.h"
#include "fs/file_system.h"

namespace backup {

namespace restore_files {
inline constexpr const char* kSafetyFolder = kSafetyCopyFolder;
inline constexpr const char* kJournal = FS_NAME("进行中.txt");      // a restore or undo under way
inline constexpr const char* kLastRestore = FS_NAME("上次恢复.txt");  // what the last restore did, for its undo
inline constexpr const char* kRecordAside = FS_NAME("上次恢复.移开.txt");  // that record while a new one is under way
inline constexpr int kSafetyCopiesKept = 5;
}  // namespace restore_files

// Paths here are the file world's; messages are ANSI text.
RestoreSetResult restore_with_safety_copy(fs::FileSystem& fs, const RestoreRequest& request,
                                          const RestoreEvents& events);

// Puts every save folder back as it was before the last restore: the files it replaced come back
// from the safety copy, the files and folders it added go, the others stay. All or nothing too.
// Only folders that are still the project's save folders are touched.
RestoreSetResult undo_last_restore(fs::FileSystem& fs, const ProjectFolders& project, const RestoreEvents& events);
bool has_restore_to_undo(fs::FileSystem& fs, const std::string& backup_folder);

// A restore or undo that was ended by force: finished when it had got through, otherwise taken
// back; what the user is told of it comes back.
RecoveryReport recover_interrupted(fs::FileSystem& fs, const ProjectFolders& project);

// At start: for every project folder under `backup_root`, what backups ended by force left (see
// remove_backup_leftovers), and restores and undos ended by force (`save_paths_of` gives a
// project's current save folders, none for a folder that is no project of the list). Returns the
// projects that have something to tell.
std::vector<std::pair<std::string, RecoveryReport>> recover_all_projects(
    fs::FileSystem& fs, const std::string& backup_root,
    const std::function<std::vector<std::string>(const std::string& project)>& save_paths_of);

}  // namespace backup
