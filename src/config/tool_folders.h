#pragma once
// Where the tool keeps its data: beside its executable, so that it travels with it. Paths of the
// file world (UTF-8, '/').
#include <string>

#include "config/names.h"
#include "fs/file_names.h"

// A project's backup folder, no trailing separator: its name is a folder of `backup_root`.
inline std::string project_folder(const std::string& backup_root, const std::string& project) {
    return backup_root + "/" + fs::path_of(project);
}

struct ToolFolders {
    std::string tool_dir;  // folder of the executable, no trailing separator

    std::string config_dir() const { return tool_dir + "/" + names::kConfigDir; }
    std::string backup_root() const { return tool_dir + "/" + names::kBackupDir; }
    std::string system_config_path() const { return config_dir() + "/" + names::kSystemConfigFile; }
    std::string backup_folder(const std::string& project) const { return project_folder(backup_root(), project); }
};
