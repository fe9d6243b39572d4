#pragma once
// 全部恢复 and /restore-all: every project of the list beside its newest backup set, and the
// restores of the chosen ones one after another, each exactly as 恢复按钮 makes it with that set
// chosen and the question answered: all or nothing, a safety copy, its own undo, refused while
// its program runs. A failure in one does not stop the others.
#include <functional>
#include <string>
#include <vector>

#include "backup/set_comparison.h"
#include "paths/path_fixes.h"
#include "run/backup_job.h"
#include "run/operation_control.h"
#include "run/project_loading.h"

// How a project's saves stand against its newest set, from the one comparison (listings and
// central directories only).
enum class SaveState { missing, empty, same, local_newer, backup_newer, no_backup };
const char* save_state_text(SaveState state);  // "存档不存在" …

struct RestoreAllRow {
    std::string project;
    std::string newest;       // first archive of the newest complete set; "" when there is none
    std::string newest_time;  // its time text ("" without one)
    std::string save_text;    // 存档位置, as it expands here
    SaveState state = SaveState::no_backup;
    bool ticked = false;      // ticked in advance: the saves are missing or empty and a set is there
    PathTrouble trouble;      // of the first save folder, or else of the program
};

// What the main window and 全部恢复 say of a path that cannot be used here; "" for none.
std::string path_trouble_text(const PathTrouble& trouble);

// The first save folder that cannot be used here, else the program; `only` one kind of trouble
// (none: any). `drive_exists` as check_path takes it.
PathTrouble project_path_trouble(const CurrentProject& project, const Folders& folders,
                                 const std::function<bool(char drive)>& drive_exists,
                                 PathTrouble::Kind only = PathTrouble::none);
RestoreAllRow restore_all_row(fs::FileSystem& fs, const CurrentProject& project, const Folders& folders,
                              const std::function<bool(char drive)>& drive_exists);
SaveState save_state(fs::FileSystem& fs, const std::vector<std::string>& save_paths, const std::string& newest,
                     const backup::LeftOut& left_out);

// The restore 恢复按钮 makes of `first_archive`, without a question.
Operation restore_without_question(const backup::ProjectState& project, const std::string& first_archive);

// What one press (or one run) did, project by project, in order.
struct RestoreAllTally {
    std::vector<std::string> restored;
    std::vector<std::string> skipped;  // "项目（why）"
    std::vector<std::string> failed;   // "项目（why）"
    void skip(const RestoreAllRow& row);
    void add(const std::string& project, const BackupJobResult& result);
    bool any_failed() const { return !failed.empty(); }
};
// The one summary at the end.
std::string restore_all_summary(const RestoreAllTally& tally);

// Which projects a press of 恢复 has restored, kept in "配置目录" while it runs: a start after a
// forced end says which were restored and which were not. Each restore is all or nothing by
// itself; this only tells them apart.
class RestoreAllRecord {
   public:
    RestoreAllRecord(fs::FileSystem& fs, const std::string& config_dir);
    void begin(const std::vector<RestoreAllRow>& queued);
    void ended(const std::string& project, bool restored);
    void finish();  // the summary is told: nothing to say at the next start

   private:
    void write();
    fs::FileSystem& fs_;
    std::string path_;
    struct Line {
        char mark;  // '?' waiting or under way, '+' restored, '-' not
        std::string project, archive;
    };
    std::vector<Line> lines_;
};
// At start, once restores ended by force have been finished or taken back: what a press ended by
// force had done; "" when no press was cut short. A project the record left under way counts as
// restored when its saves are what its set holds (`save_paths_of` gives its save folders). The
// record goes once read.
std::string interrupted_restore_all_text(
    fs::FileSystem& fs, const std::string& config_dir,
    const std::function<std::vector<std::string>(const std::string& project)>& save_paths_of);
