#pragma once
// A restore that can always be taken back. Before it writes, every save folder it will write into
// is packed into the project's folder "恢复前" (named like a backup); every archive of the set is
// written and verified beside its target first, and only then are the files moved into place, by
// renames recorded in a journal there. Any failure, also one that ends the program, is taken back
// to the state before the restore; after success the record of what was replaced and created lets
// the user undo the restore later.
#include <functional>
#include <string>
#include <vector>

#include "backup/operations.h"
#include "backup/zip/file_system.h"
#include "backup/zip/zip.h"

namespace guard {
inline constexpr const char* kSafetyFolder = "恢复前";
inline constexpr const char* kJournal = "进行中.txt";      // a restore or undo under way
inline constexpr const char* kLastRestore = "上次恢复.txt";  // what the last restore did, for its undo
inline constexpr int kSafetyCopiesKept = 5;
}  // namespace guard

// Paths here are in the ANSI code page, as the program keeps them.
RestoreSetResult restore_with_safety_copy(zip::FileSystem& fs, const RestoreRequest& request,
                                          const RestoreEvents& events);

// Puts every save folder back as it was before the last restore: the files it replaced come back
// from the safety copy, the files and folders it added go, the others stay. All or nothing too.
RestoreSetResult undo_last_restore(zip::FileSystem& fs, const std::string& backup_folder, const RestoreEvents& events);
bool has_restore_to_undo(zip::FileSystem& fs, const std::string& backup_folder);

// A restore or undo that was ended by force: finished when it had got through, otherwise taken
// back. True when one was taken back (the user is told once).
bool recover_interrupted(zip::FileSystem& fs, const std::string& backup_folder);
