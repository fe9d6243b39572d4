#pragma once
// The one process-wide object: where the tool lives, who this machine is, which lists it uses.
#include <string>

#include "config/tool_folders.h"
#include "fs/file_system.h"
#include "fs/recycle_bin.h"

struct AppState {
    fs::FileSystem* fs = nullptr;  // every file of the program, made once by WinMain
    fs::RecycleBin* recycle_bin = nullptr;  // where what the user deletes goes, made by WinMain
    std::string tool_dir;  // folder of the executable, no trailing separator
    std::string machine_id;
    std::string save_config_path;  // the project list in use; empty until chosen
    bool config_unchosen = false;  // the user declined to generate a project list at start-up

    ToolFolders folders() const { return ToolFolders{tool_dir}; }
    std::string config_dir() const { return folders().config_dir(); }
    std::string backup_root() const { return folders().backup_root(); }
};

AppState& app();
