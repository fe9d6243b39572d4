#include "app/project_decoration.h"

#include "backup/decorate.h"
#include "config/project_name.h"

std::string project_icon_file(const CurrentProject& project) { return project.backup_folder + "\\image.ico"; }

void decorate_project_folder(fs::FileSystem& files, const CurrentProject& project) {
    if (!is_valid_project_name(project.name)) return;
    if (!files.exists(files.from_ansi(project_icon_file(project))))
        decorate_backup_folder(project.program_file, project.backup_folder + "\\");
}
