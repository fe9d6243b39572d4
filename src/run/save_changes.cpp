#include "run/save_changes.h"

#include "backup/set_comparison.h"
#include "backup/sets.h"

bool saves_unchanged(fs::FileSystem& fs, const ProjectState& project) {
    if (project.save_paths.empty()) return false;
    const std::string first = newest_set(fs, project.backup_folder);
    if (first.empty()) return false;
    for (const FolderComparison& c :
         compare_with_set(fs, first, project.save_paths, {project.excluded_folders}))
        if (!c.unchanged()) return false;
    return true;
}
