#pragma once
// The decisions of start-up, apart from the machine: who this machine is, whether a tool folder of
// a version before 0.99 must be moved into the new layout and how, and which project list this
// machine uses. Paths are the file world's; every file is reached through `fs`.
#include <functional>
#include <string>
#include <vector>

#include "fs/file_system.h"
#include "config/tool_folders.h"

// The identifier made of the first adapter's hardware address ("00-1A-2B-…", empty without
// adapter) and the OS build number (0 when unknown).
std::string make_machine_id(const std::string& adapter_address, unsigned build_number);

// The old project list beside the tool, and neither of the new folders.
bool needs_legacy_migration(fs::FileSystem& fs, const ToolFolders& tool);

// Moves the old layout into "配置目录" and "存档目录", makes this machine use the moved list, and
// returns the message for the user; `migration_failed` tells whether it is a warning.
std::string migrate_legacy_layout(fs::FileSystem& fs, const ToolFolders& tool, const std::string& machine_id);
bool migration_failed(const std::string& message);

// Which project list this machine uses, or what to open when none is remembered yet.
struct ListChoice {
    std::string list;      // empty: none chosen
    bool unchosen = false;  // the user declined to generate one: "配置" opens on "设置"
};

// The remembered list; else `ask_generate` (the first-run question): yes generates this machine's
// list in "配置目录" and remembers it, no leaves it unchosen.
ListChoice choose_project_list(fs::FileSystem& fs, const ToolFolders& tool, const std::string& machine_id,
                               const std::function<bool()>& ask_generate);
