#pragma once
// Where the tool keeps its data: beside its executable, so that it travels with it.
#include <string>

#include "config/names.h"

struct ToolFolders {
    std::string tool_dir;  // folder of the executable, no trailing backslash

    std::string config_dir() const { return tool_dir + "\\" + names::kConfigDir; }
    std::string backup_root() const { return tool_dir + "\\" + names::kBackupDir; }
    std::string system_config_path() const { return config_dir() + "\\" + names::kSystemConfigFile; }
    // A project's backup folder, no trailing backslash.
    std::string backup_folder(const std::string& project) const { return backup_root() + "\\" + project; }
};
