#pragma once
// What backups, restores and undos work on and what they return: the project, each archive's
// result, the outcome of an operation and what was found of one ended by force. Paths here are the
// file world's (UTF-8, '/'); the texts for the user are made from them where they are shown.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backup/exclusions.h"
#include "backup/zip/zip.h"

namespace backup {

// The folders a project's restores may act in: whatever a journal or undo record names elsewhere is
// refused.
struct ProjectFolders {
    std::string backup_folder;            // the project's; holds the safety copies
    std::vector<std::string> save_paths;  // numbered from 1; "" for an empty entry
};

// What was found of an earlier restore or undo that did not end normally, told once.
struct RecoveryReport {
    enum What { nothing, restore_taken_back, undo_taken_back, restore_completed, undo_completed };
    What what = nothing;
    bool record_lost = false;          // a restore completed, but the record its undo needs could not be kept
    std::vector<std::string> waiting;  // save folders that cannot be reached now: the journal stays for them
    std::vector<std::string> refused;  // paths a journal or record named outside the project's folders
    std::string damaged;               // where a journal or record that could not be used is kept
    bool any() const { return what != nothing || any_more(); }
    bool any_more() const { return record_lost || !waiting.empty() || !damaged.empty(); }
};

struct RestoreRequest {
    std::string first_archive;            // the chosen archive; companions follow by number
    std::vector<std::string> save_paths;  // numbered from 1
    std::string backup_folder;            // the project's; holds the safety copies
    Exclusions exclusions;                // files on disk the restore leaves alone
};

struct RestoreEvents {
    std::function<void(int k, const zip::Progress&)> progress;  // k = 0 while the safety copy is made
    std::function<void(int k)> archive_ready;                   // archive k is written and verified
    unsigned threads = 0;  // the engine's worker threads; 0: one per core
};

struct ProjectState {
    std::string name;
    std::string program_file;  // the program's path, expanded (text); its file name is what may be running
    std::vector<std::string> save_paths;
    std::string backup_folder;  // tool folder + "/存档目录/" + name
    std::vector<std::string> excluded_folders;  // the tool's own folders: never packed into a backup
    Exclusions exclusions;                      // 排除: left out of backups, left alone by restores
};

struct ArchiveResult {
    enum Status {
        done,             // written (backup) or restored
        folder_missing,   // backup: the save folder does not exist
        failed,           // the engine's reason is in `reason`
        archive_missing,  // restore: no companion archive of this number
        no_target,        // restore: the save path is empty
        not_tried,        // backup: left alone because the first archive could not be written
        covered,          // restore: its folder lies in (or is) another's, restored from that archive
    };
    int k = 1;            // the save folder's number, from 1
    std::string archive;
    std::string folder;   // the save folder
    Status status = done;
    std::string reason;
    std::vector<std::string> skipped;  // backup: what the archive left out, "name：reason"
};

struct RestoreSetResult {
    std::vector<ArchiveResult> archives;  // every archive of the set
    bool changed = false;                 // the save folders were written
    std::string failure;      // why nothing was changed, naming the file; "" otherwise
    int failed_k = 0;         // the archive the failure concerns; 0: the safety copy or the record
    std::string safety_copy;  // first archive of the copy made before writing; "" when none was
    bool record_lost = false;  // changed, but the undo record could not be written: no undo for it
    RecoveryReport recovery;   // what an earlier restore or undo left, dealt with first
};

struct Outcome {
    enum Refusal { none, bad_name, program_running, no_save_paths, cancelled, declined, nothing_to_undo };
    Refusal refusal = none;
    std::string detail;  // bad_name: the name; program_running: the exe name
    std::vector<ArchiveResult> archives;  // in the order they were tried
    std::string first_done;  // the first archive of the set, when it was really written or restored
    std::string failure;     // restore: why nothing was changed (the archive is archives[failed_k - 1])
    int failed_k = 0;
    std::string safety_copy;  // restore: where the save from before it was kept
    bool record_lost = false;  // restore: done, but it cannot be undone
    RecoveryReport recovery;   // what an earlier restore or undo of the project left, dealt with first
    std::vector<std::string> overlapping;  // backup: two save folders that overlap, the outer first

    // Every archive tried was written or restored and nothing was left out.
    bool complete() const {
        if (refusal != none || archives.empty()) return false;
        for (const ArchiveResult& a : archives)
            if (a.status != ArchiveResult::done || !a.skipped.empty()) return false;
        return true;
    }
};

struct RestoreQuestions {
    std::function<std::optional<std::string>()> choose_archive;  // nullopt: cancelled
    std::function<bool()> confirm_overwrite;                     // asked when save folder 1 exists
};

}  // namespace backup
