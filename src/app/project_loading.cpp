#include "app/project_loading.h"

#include "backup/decorate.h"
#include "config/ini.h"
#include "config/names.h"
#include "config/project_name.h"
#include "paths/files.h"
#include "paths/gbk_text.h"

CurrentProject load_project(const std::string& save_config_path, const std::string& name,
                            const ToolFolders& tool, const Folders& folders) {
    CurrentProject p;
    p.name = name;
    p.program_path = read_ini_value(save_config_path, name, names::kProgramPathKey);
    p.program_file = expand_program_path(p.program_path, folders);
    // All "|"-joined paths are expanded at once: only the first %VAR% of them all is replaced.
    p.save_paths_text = read_ini_value(save_config_path, name, names::kSavePathKey);
    expand_stored_path(p.save_paths_text, p.program_path, folders);
    p.save_paths = gbk::split(p.save_paths_text);
    p.backup_folder = tool.backup_folder(name);
    p.excluded_folders = {tool.backup_root(), tool.config_dir()};
    p.options = read_project_options(platform_project_files(save_config_path, tool.backup_root()), name);
    return p;
}

ProjectState project_state(const CurrentProject& project) {
    return ProjectState{project.name, project.program_file, project.save_paths, project.backup_folder,
                        project.excluded_folders};
}

void decorate_project_folder(const CurrentProject& project) {
    if (!is_valid_project_name(project.name)) return;
    const std::string folder = project.backup_folder + "\\";
    if (!files::exists(folder + "image.ico")) decorate_backup_folder(project.program_file, folder);
}
