#include "app/project_decoration.h"

#include "backup/decorate.h"
#include "config/project_name.h"
#include "fs/file_system.h"

void decorate_project_folder(const CurrentProject& project) {
    if (!is_valid_project_name(project.name)) return;
    const std::string folder = project.backup_folder + "\\";
    fs::FileSystem& fs = fs::platform_file_system();
    if (!fs.exists(fs.from_ansi(folder + "image.ico"))) decorate_backup_folder(project.program_file, folder);
}
