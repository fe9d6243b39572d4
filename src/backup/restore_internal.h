#pragma once
// What the files of a restore share: the project as one restore sees it, the attempt under way, and
// the steps one concern does for another. Only the restore's own files include this.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "backup/operation_types.h"
#include "backup/restore.h"
#include "backup/restore_journal.h"
#include "backup/zip/staging.h"
#include "backup/zip/walk.h"
#include "fs/file_system.h"

namespace backup {

namespace restore_internal {

std::string name_of(const std::string& path);

// The project as one restore sees it: where its journal and safety copies are, and the folders
// every path it acts on must lie in.
struct Project {
    fs::FileSystem& fs;
    std::string safety;                   // backup folder + "/恢复前"
    std::vector<std::string> save_paths;  // numbered from 1; "" for an empty entry
    unsigned threads = 1;                 // for file calls at once (0: as many as suits); a recovery, one

    Project(fs::FileSystem& f, const ProjectFolders& p, unsigned file_threads = 1)
        : fs(f),
          safety(fs::join_path(p.backup_folder, restore_files::kSafetyFolder)),
          save_paths(p.save_paths),
          threads(file_threads) {}
    std::string file(const char* name) const { return fs::join_path(safety, name); }
    std::string journal() const { return file(restore_files::kJournal); }
    std::string last_record() const { return file(restore_files::kLastRestore); }
    std::vector<std::string> folders() const {
        std::vector<std::string> out;
        for (const std::string& s : save_paths)
            if (!s.empty()) out.push_back(s);
        return out;
    }
    // Strictly below one of the save folders, or beside one (a new save folder is made there under
    // a temporary name): only there is a whole folder of ours removed.
    bool below_save(const std::string& path) const {
        for (const std::string& s : folders())
            if (fs::path_inside(path, s) ||
                fs::parent_path(fs::normal_path(path)) == fs::parent_path(fs::normal_path(s)))
                return true;
        return false;
    }
};

// One restore or undo under way.
struct Attempt {
    RestoreSetResult result;
    bool moves_on_disk = false;       // the journal written holds the moves
    std::vector<std::string> copies;  // its safety-copy archives, named before anything is written
    // Per save folder: the files the restore replaces, once set aside; packed into its copy.
    std::map<int, std::vector<zip::SourceEntry>> replaced;
    zip::LeaveOut leave_out;  // files on disk the restore neither replaces nor adds
};

// Recovery (restore_recovery.cpp): the journal carried back or forward.
bool take_back(const Project& p, const RestoreJournal& j, std::vector<std::string>* waiting,
               bool moves_on_disk);
void conclude(const Project& p, RestoreJournal& j, RestoreSetResult* result, RecoveryReport* report);
RecoveryReport recover(const Project& p);
std::string keep_as_damaged(const Project& p, const std::string& path);

// The transaction (restore_transaction.cpp), which undo runs too.
unsigned file_call_workers(unsigned threads);
void run_steps(std::size_t count, unsigned workers, const std::function<bool(std::size_t)>& step);
std::string add_moves(fs::FileSystem& fs, const zip::StagedExtraction& staged, RestoreJournal& j,
                      RestoredFolder& folder, std::vector<zip::SourceEntry>* set_aside = nullptr);
zip::Options staging_options(fs::FileSystem& fs, const RestoreEvents& events);
bool ready(const Project& p, RestoreSetResult& result);
bool swap_into_place(const Project& p, const RestoreEvents& events, Attempt& a, RestoreJournal& j);
RestoreSetResult abandon(const Project& p, Attempt& a, const RestoreJournal& j);

// The safety copies (restore_safety_copies.cpp).
std::string copy_of(const Attempt& a, int k);
void plan_safety_copy(const Project& p, Attempt& a);
bool pack_safety_copy(const Project& p, const RestoreEvents& events, Attempt& a);
void keep_newest_copies(const Project& p);

}  // namespace restore_internal

}  // namespace backup
