#include "run/project_loading.h"

#include "config/names.h"
#include "paths/gbk_text.h"

CurrentProject load_project(const ProjectFiles& list, const std::string& name, const ToolFolders& tool,
                            const Folders& folders) {
    CurrentProject p;
    p.name = name;
    p.program_path = list.read(name, names::kProgramPathKey);
    p.program_file = expand_program_path(p.program_path, folders);
    // All "|"-joined paths are expanded at once: only the first %VAR% of them all is replaced.
    p.save_paths_text = list.read(name, names::kSavePathKey);
    expand_stored_path(p.save_paths_text, p.program_path, folders);
    for (const std::string& path : gbk::split(p.save_paths_text)) p.save_paths.push_back(fs::path_of(path));
    p.backup_folder = tool.backup_folder(name);
    p.excluded_folders = {tool.backup_root(), tool.config_dir()};
    p.options = read_project_options(list, name);
    return p;
}

ProjectState project_state(const CurrentProject& project, const std::string& program_path, const Folders& folders) {
    return ProjectState{project.name, expand_program_path(program_path, folders), project.save_paths,
                        project.backup_folder, project.excluded_folders};
}
