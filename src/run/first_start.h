#pragma once
// The decisions of start-up, apart from the machine: who this machine is, whether a tool folder of
// a version before 0.99 must be moved into the new layout and how, and which project list this
// machine uses.
#include <functional>
#include <string>
#include <vector>

#include "config/tool_folders.h"

// What start-up reads and changes on the machine.
class StartupFiles {
   public:
    virtual ~StartupFiles() = default;
    virtual bool exists(const std::string& path) = 0;  // a file or a folder
    virtual bool is_file(const std::string& path) = 0;
    virtual void create_directory(const std::string& path) = 0;
    virtual bool delete_file(const std::string& path) = 0;
    // Which list this machine uses, as config/machine_list keeps it ("" when none is chosen).
    virtual std::string machine_list(const ToolFolders& tool, const std::string& machine_id) = 0;
    virtual bool record_machine_list(const ToolFolders& tool, const std::string& machine_id, const std::string& list) = 0;
    virtual std::vector<std::string> ini_section_names(const std::string& file) = 0;
    // The legacy move; tests make single ones fail.
    virtual bool move_folder_into(const std::string& folder, const std::string& target_dir) = 0;
    virtual bool move_file(const std::string& from, const std::string& to) = 0;
    virtual bool copy_file(const std::string& from, const std::string& to) = 0;
};

// The identifier made of the first adapter's hardware address ("00-1A-2B-…", empty without
// adapter) and the OS build number (0 when unknown).
std::string make_machine_id(const std::string& adapter_address, unsigned build_number);

// The old project list beside the tool, and neither of the new folders.
bool needs_legacy_migration(StartupFiles& files, const ToolFolders& tool);

// Moves the old layout into "配置目录" and "存档目录", makes this machine use the moved list, and
// returns the message for the user; `migration_failed` tells whether it is a warning.
std::string migrate_legacy_layout(StartupFiles& files, const ToolFolders& tool, const std::string& machine_id);
bool migration_failed(const std::string& message);

// Which project list this machine uses, or what to open when none is remembered yet.
struct ListChoice {
    std::string list;      // empty: none chosen
    bool unchosen = false;  // the user declined to generate one: "配置" opens on "设置"
};

// The remembered list; else `ask_generate` (the first-run question): yes generates this machine's
// list in "配置目录" and remembers it, no leaves it unchosen.
ListChoice choose_project_list(StartupFiles& files, const ToolFolders& tool, const std::string& machine_id,
                               const std::function<bool()>& ask_generate);
