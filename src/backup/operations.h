#pragma once
// Backup and restore of a project's save folders. The runner asks its two questions through
// callbacks, reports progress to a view and returns what happened; it shows nothing itself, so a
// window, a command line or a test can drive it alike.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backup/zip/zip.h"

// What backup and restore need from the machine.
class BackupSystem {
   public:
    virtual ~BackupSystem() = default;
    virtual bool directory_exists(const std::string& path) = 0;
    virtual bool file_exists(const std::string& path) = 0;
    virtual bool create_directory(const std::string& path) = 0;
    virtual bool is_program_running(const std::string& exe_name) = 0;
    // Deletes what a backup that was ended by force left in the folder.
    virtual void remove_leftovers(const std::string& backup_folder) = 0;
    virtual zip::Result compress(const std::string& folder, const std::string& archive, const zip::ProgressFn& p) = 0;
    virtual zip::Result extract(const std::string& archive, const std::string& folder, const zip::ProgressFn& p) = 0;
};

// The progress display.
class ProgressView {
   public:
    virtual ~ProgressView() = default;
    virtual void set_percent(int percent) = 0;
    virtual void set_status(const std::string& text) = 0;   // the entry in work, then "… 备份完成"
    virtual void set_counter(const std::string& text) = 0;  // "k/N"
};

struct ProjectState {
    std::string name;
    std::string program_file;  // the program's path, expanded; its file name is what may be running
    std::vector<std::string> save_paths;
    std::string backup_folder;  // tool folder + "\存档目录\" + name
};

struct ArchiveResult {
    enum Status {
        done,             // written (backup) or restored
        folder_missing,   // backup: the save folder does not exist
        failed,           // the engine's reason is in `reason`
        archive_missing,  // restore: no companion archive of this number
        no_target,        // restore: the save path is empty
        not_tried,        // backup: left alone because the first archive could not be written
    };
    int k = 1;            // the save folder's number, from 1
    std::string archive;  // full path
    std::string folder;   // the save folder
    Status status = done;
    std::string reason;
    std::vector<std::string> skipped;  // backup: what the archive left out, "name：reason"
};

struct Outcome {
    enum Refusal { none, bad_name, program_running, no_save_paths, cancelled, declined };
    Refusal refusal = none;
    std::string detail;  // bad_name: the name; program_running: the exe name
    std::vector<ArchiveResult> archives;  // in the order they were tried
    std::string first_done;  // the first archive of the set, when it was really written or restored

    // Every archive tried was written or restored and nothing was left out.
    bool complete() const;
};

// Archive of save folder k (1-based): the first archive's name, followed by k from the second on.
std::string archive_name(const std::string& first_archive, int k);

struct RestoreQuestions {
    std::function<std::optional<std::string>()> choose_archive;  // nullopt: cancelled
    std::function<bool()> confirm_overwrite;                     // asked when save folder 1 exists
};

class BackupRunner {
   public:
    BackupRunner(BackupSystem& system, ProgressView& view) : system_(system), view_(view) {}

    // Packs every save folder into the set named after this moment. Only a set whose first
    // archive is written is kept, since a restore starts from that archive.
    Outcome backup(const ProjectState& project);
    // Extracts the chosen archive and its companions into the save folders.
    Outcome restore(const ProjectState& project, const RestoreQuestions& ask);

   private:
    std::optional<Outcome> refusal(const ProjectState& project);
    ArchiveResult backup_folder_k(const ProjectState& project, const std::string& first, int k);
    ArchiveResult restore_archive_k(const ProjectState& project, const std::string& first, int k);
    zip::ProgressFn progress_to(const std::string& done_name, const char* done_word);

    BackupSystem& system_;
    ProgressView& view_;
};
