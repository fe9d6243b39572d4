#pragma once
// Adding, modifying and deleting projects, apart from the window that asks for them: the rules that
// keep the project list and the backup folders consistent whatever the user types.
#include <string>
#include <vector>

namespace fs {
class FileSystem;
}

// Where projects live: their sections in the save-configuration file and their backup folders
// under `backup_root` (both paths of the file world), reached through one file system.
struct ProjectFiles {
    fs::FileSystem& fs;
    std::string file;  // empty: no list chosen, nothing to read or write
    std::string backup_root;

    std::string read(const std::string& project, const std::string& key) const;  // "" when missing
    bool remove(const std::string& project) const;                               // the whole section
};

// What a project does by itself; both are off unless the user turns them on.
struct ProjectOptions {
    bool backup_on_exit = false;  // back up once the program started from the tool has ended
    int keep_sets = 0;            // after a complete backup keep this many archive sets; 0: all
    int timed_minutes = 0;        // back up this often while the program runs; 0: never
    int timed_keep = 0;           // timed sets kept; only stored while timed backups are on
    bool sync = false;            // 同步到服务器: every set written whole is uploaded too
    std::string exclusions;       // "排除" as stored (GBK): what backups leave out and restores leave alone
    bool operator==(const ProjectOptions& o) const {
        return backup_on_exit == o.backup_on_exit && keep_sets == o.keep_sets && timed_minutes == o.timed_minutes &&
               sync == o.sync && exclusions == o.exclusions &&
               (timed_minutes == 0 || timed_keep == o.timed_keep);
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
// "定时备份" in minutes, 1 to 240 (more is 240); anything else, empty or 0 is off.
int parse_timed_minutes(const std::string& text);
inline constexpr int kMaxTimedMinutes = 240;
// "自动保留份数" of a project with timed backups: empty or 0 keeps the default.
int parse_timed_keep(const std::string& text);
inline constexpr int kDefaultTimedKeep = 10;
ProjectOptions read_project_options(const ProjectFiles& files, const std::string& name);

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

// The save path, the program path and the options, in one write: all of them or none. An option
// that is off leaves no key, so a project that uses none reads exactly as before they existed.
bool write_project_paths(const ProjectFiles& files, const std::string& name, const ProjectPaths& paths);

struct ModifyResult {
    bool saved = false;
    bool folder_left_behind = false;  // a renamed project's backup folder could not follow it
};

// Writes the paths of `new_name`, the project that was loaded as `old_name` (empty: none). On a
// rename the new section is added and the old one removed in one write, so a failed write loses
// nothing, and the backup folder follows unless a folder of the new name exists already. A name that differs
// only in case is the same project: its paths are written in place and it keeps its spelling.
ModifyResult save_modified_project(const ProjectFiles& files, const std::string& old_name, const std::string& new_name,
                                   const ProjectPaths& paths);

// Stamps the project's "操作时间" with the current time, which moves it to the top of the lists.
// A nameless project is left alone: the stamp would add an empty section. With `only_if_listed`
// a project no longer in the list (renamed or deleted by another window) is not brought back as a
// section without paths. False when the list could not be written.
bool stamp_project(const ProjectFiles& files, const std::string& name, bool only_if_listed = false);

// Page "增加" from a dropped file: the name is the file name without any ".exe" or ".lnk"; a
// shortcut's target comes from `shortcut_target`, less a trailing blank.
std::string program_name_from_path(const std::string& path, bool drop_shortcut_extension);
bool is_shortcut_path(const std::string& path);
