#pragma once
// A project of the list, read and expanded for this machine: what the main window shows and what
// backups and program starts work on, with or without a window.
#include <string>
#include <vector>

#include "backup/operations.h"
#include "config/project_edit.h"
#include "config/tool_folders.h"
#include "paths/expand.h"

// Save and backup folders enter the file world here, once. What the boxes show stays text, and so
// does the program's path: the shell starts it and the process list names it.
struct CurrentProject {
    std::string name;
    std::string program_path;             // "程序路径" as stored, shown in its box
    std::string program_file;             // the same expanded (text): what is started and looked for
    std::string save_paths_text;          // "存档路径" expanded once, as shown
    std::vector<std::string> save_paths;  // the same split at "|", in the file world
    std::string backup_folder;            // tool folder + "/存档目录/" + name
    ProjectOptions options;
    std::vector<std::string> excluded_folders;  // the tool's own folders: a link into them is not packed
};

// The save folders a stored "存档路径" (tokens, a %VAR%, "|" between folders) names on this
// machine, in the file world; with `expanded_text`, the expanded text as the boxes show it.
std::vector<std::string> expanded_save_folders(std::string stored, const std::string& program_path,
                                               const Folders& folders, std::string* expanded_text = nullptr);

CurrentProject load_project(const ProjectFiles& list, const std::string& name, const ToolFolders& tool,
                            const Folders& folders);

// What backup, restore and undo work on. `program_path` is the stored one, or what the main
// window's box holds now: the running check looks for that program, expanded.
backup::ProjectState project_state(const CurrentProject& project, const std::string& program_path, const Folders& folders);
