#include "run/project_loading.h"

#include "config/names.h"
#include "paths/gbk_text.h"

std::vector<std::string> expanded_save_folders(std::string stored, const std::string& program_path,
                                               const Folders& folders, std::string* expanded_text) {
    // All "|"-joined paths are expanded at once: only the first %VAR% of them all is replaced.
    expand_stored_path(stored, program_path, folders);
    std::vector<std::string> out;
    for (const std::string& path : gbk::split(stored)) out.push_back(fs::path_of(path));
    if (expanded_text) *expanded_text = stored;
    return out;
}

CurrentProject load_project(const ProjectFiles& list, const std::string& name, const ToolFolders& tool,
                            const Folders& folders) {
    CurrentProject p;
    p.name = name;
    p.program_path = list.read(name, names::kProgramPathKey);
    p.program_file = expand_program_path(p.program_path, folders);
    p.save_paths = expanded_save_folders(list.read(name, names::kSavePathKey), p.program_path, folders,
                                         &p.save_paths_text);
    p.backup_folder = tool.backup_folder(name);
    p.excluded_folders = {tool.backup_root(), tool.config_dir()};
    p.options = read_project_options(list, name);
    return p;
}

backup::ProjectState project_state(const CurrentProject& project, const std::string& program_path, const Folders& folders) {
    return backup::ProjectState{project.name, expand_program_path(program_path, folders), project.save_paths,
                        project.backup_folder, project.excluded_folders,
                        backup::Exclusions::lenient(project.options.exclusions)};
}
