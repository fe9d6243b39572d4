#pragma once
// Which project list this machine uses: one key per machine in "系统配置文件.ini" of the tool. The
// list's path is kept as the user reads it (ANSI) and comes back in the file world.
#include <string>

#include "config/tool_folders.h"
#include "fs/file_system.h"
#include "paths/path_fixes.h"

// The list this machine uses; empty when none has been chosen yet.
std::string read_machine_list(fs::FileSystem& fs, const ToolFolders& tool, const std::string& machine_id);
// Records `list` as this machine's; false when the file could not be written.
bool write_machine_list(fs::FileSystem& fs, const ToolFolders& tool, const std::string& machine_id,
                        const std::string& list);

// The name of the list a new machine gets in "配置目录".
std::string generated_list_path(const ToolFolders& tool, const std::string& machine_id);
// The machine file itself must never be chosen as a project list.
bool is_machine_file(const std::string& path);

// Other choices of this machine, one section per setting keyed by the machine's id.
std::string read_machine_setting(fs::FileSystem& fs, const ToolFolders& tool, const char* section,
                                 const std::string& machine_id);
bool write_machine_setting(fs::FileSystem& fs, const ToolFolders& tool, const char* section,
                           const std::string& machine_id, const std::string& value);

// This machine's path fixes; keeping one replaces a fix of the same old folder. False when the
// file could not be written.
PathFixes read_path_fixes(fs::FileSystem& fs, const ToolFolders& tool, const std::string& machine_id);
bool keep_path_fix(fs::FileSystem& fs, const ToolFolders& tool, const std::string& machine_id, const PathFix& fix);
