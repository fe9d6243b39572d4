#pragma once
// Adding, modifying and deleting projects, apart from the window that asks for them: the rules that
// keep the project list and the backup folders consistent whatever the user types.
#include <string>
#include <utility>
#include <vector>

// Where projects live: their sections in the save-configuration file and their backup folders.
class ProjectStore {
   public:
    virtual ~ProjectStore() = default;
    virtual std::string read(const std::string& project, const std::string& key) = 0;  // "" when missing
    virtual bool write(const std::string& project, const std::string& key, const std::string& value) = 0;
    virtual bool remove(const std::string& project) = 0;  // the whole section
    virtual bool remove_key(const std::string& project, const std::string& key) = 0;
    virtual bool backup_folder_exists(const std::string& project) = 0;
    virtual bool rename_backup_folder(const std::string& from, const std::string& to) = 0;
};

// The real store: a save-configuration file and the backup folders under `backup_root`.
class IniProjectStore : public ProjectStore {
   public:
    IniProjectStore(std::string file, std::string backup_root)
        : file_(std::move(file)), backup_root_(std::move(backup_root)) {}
    std::string read(const std::string& project, const std::string& key) override;
    bool write(const std::string& project, const std::string& key, const std::string& value) override;
    bool remove(const std::string& project) override;
    bool remove_key(const std::string& project, const std::string& key) override;
    bool backup_folder_exists(const std::string& project) override;
    bool rename_backup_folder(const std::string& from, const std::string& to) override;

   private:
    std::string file_, backup_root_;
};

// What a project does by itself; both are off unless the user turns them on.
struct ProjectOptions {
    bool backup_on_exit = false;  // back up once the program started from the tool has ended
    int keep_sets = 0;            // after a complete backup keep this many archive sets; 0: all
    bool operator==(const ProjectOptions& o) const {
        return backup_on_exit == o.backup_on_exit && keep_sets == o.keep_sets;
    }
    bool operator!=(const ProjectOptions& o) const { return !(*this == o); }
};

struct ProjectPaths {
    std::string save_path;
    std::string program_path;
    ProjectOptions options = {};
};

// "保留份数" as typed or stored: digits only; anything else, empty or 0 keeps every backup.
int parse_keep_sets(const std::string& text);
ProjectOptions read_project_options(ProjectStore& store, const std::string& name);

// INI section names match without regard to the case of Latin letters, so two names that differ
// only so are one project.
bool same_project(const std::string& a, const std::string& b);
bool contains_project(const std::vector<std::string>& names, const std::string& name);

// Why `name` cannot be a project name (empty when it can): it must be a single folder name, and a
// leading blank would be dropped by the INI file, parting the project from its folder.
std::string project_name_problem(const std::string& name);

// The item to select for `name`: the first that equals it without regard to case, else the first
// that begins with it so; -1 when none does.
int find_list_item(const std::vector<std::string>& items, const std::string& name);

// The save path first, then the program path and the options, each only when the one before worked;
// true when all were written. An option that is off leaves no key, so a project that uses none
// reads exactly as before they existed.
bool write_project_paths(ProjectStore& store, const std::string& name, const ProjectPaths& paths);

struct ModifyResult {
    bool saved = false;
    bool folder_left_behind = false;  // a renamed project's backup folder could not follow it
};

// Writes the paths of `new_name`, the project that was loaded as `old_name` (empty: none). On a
// rename the new section is complete before the old one goes, so a failed write loses nothing, and
// the backup folder follows unless a folder of the new name exists already. A name that differs
// only in case is the same project: its paths are written in place and it keeps its spelling.
ModifyResult save_modified_project(ProjectStore& store, const std::string& old_name, const std::string& new_name,
                                   const ProjectPaths& paths);

// Stamps the project's "操作时间" with the current time, which moves it to the top of the lists.
// A nameless project is left alone: the stamp would add an empty section.
void stamp_project(ProjectStore& store, const std::string& name);

// Page "增加" from a dropped file: the name is the file name without any ".exe" or ".lnk"; a
// shortcut's target comes from `shortcut_target`, less a trailing blank.
std::string program_name_from_path(const std::string& path, bool drop_shortcut_extension);
bool is_shortcut_path(const std::string& path);
