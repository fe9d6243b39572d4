#include "run/save_changes.h"

#include "backup/set_comparison.h"
#include "backup/sets.h"

bool saves_unchanged(fs::FileSystem& fs, const backup::ProjectState& project) {
    if (project.save_paths.empty()) return false;
    const std::string first = backup::newest_set(fs, project.backup_folder);
    if (first.empty()) return false;
    for (const backup::FolderComparison& c :
         backup::compare_with_set(fs, first, project.save_paths, {project.excluded_folders, project.exclusions}))
        if (!c.unchanged()) return false;
    return true;
}
