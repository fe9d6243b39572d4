#pragma once
// Whether a project's save folders still hold what its newest backup set holds, by the one
// comparison of set_comparison.h. Backups that run by themselves write nothing when nothing changed.
#include "backup/operation_types.h"
#include "fs/file_system.h"

// True only when the newest set exists and every save folder matches its archive (a folder that
// is missing matches a missing archive). Anything that cannot be read counts as a change.
bool saves_unchanged(fs::FileSystem& fs, const backup::ProjectState& project);

// What the log and the notification say of a backup that was skipped.
inline const char kUnchangedText[] = "未变化，跳过";
