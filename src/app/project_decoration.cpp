#include "app/project_decoration.h"

#include "backup/decorate.h"
#include "config/project_name.h"
#include "fs/file_system.h"

void decorate_project_folder(fs::FileSystem& fs, const CurrentProject& project) {
    if (!is_valid_project_name(project.name)) return;
    if (!fs.exists(fs::join_path(project.backup_folder, "image.ico")))
        backup::decorate_backup_folder(fs, project.program_file, project.backup_folder);
}
