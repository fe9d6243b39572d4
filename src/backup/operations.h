#pragma once
// Backup and restore of a project's save folders. The runner asks its two questions through
// callbacks, reports progress to a view and returns what happened; it shows nothing itself, so a
// window, a command line or a test can drive it alike.
#include <functional>
#include <optional>
#include <string>

#include "backup/operation_types.h"
#include "backup/sets.h"
#include "fs/file_system.h"

namespace backup {

// The machine a backup or restore works on: its files (every file call goes through them) and its
// processes.
struct BackupMachine {
    fs::FileSystem& fs;
    std::function<bool(const std::string& exe_name)> is_running;  // empty: nothing counts as running
    unsigned threads = 0;  // the engine's worker threads; 0: one per core
};

// The real machine: these files and the process list.
BackupMachine platform_backup_machine(fs::FileSystem& fs);

// The progress display.
class ProgressView {
   public:
    virtual ~ProgressView() = default;
    virtual void set_percent(int percent) = 0;
    virtual void set_status(const std::string& text) = 0;   // the entry in work, then "… 备份完成"
    virtual void set_counter(const std::string& text) = 0;  // "k/N"
};

// For runs nobody watches: the command line, the backups that happen while a game runs, tests.
class NoProgress : public ProgressView {
   public:
    void set_percent(int) override {}
    void set_status(const std::string&) override {}
    void set_counter(const std::string&) override {}
};

class BackupRunner {
   public:
    BackupRunner(BackupMachine machine, ProgressView& view) : machine_(std::move(machine)), view_(view) {}

    // Packs every save folder into the set named after this moment. Only a set whose first
    // archive is written is kept, since a restore starts from that archive.
    Outcome backup(const ProjectState& project);
    // Extracts the chosen archive and its companions into the save folders, all or nothing, after
    // a safety copy of what is there.
    Outcome restore(const ProjectState& project, const RestoreQuestions& ask);
    // Puts the save folders back as they were before the last restore; `confirm` asks first.
    Outcome undo(const ProjectState& project, const std::function<bool()>& confirm);

   private:
    std::optional<Outcome> refusal(const ProjectState& project);
    ArchiveResult backup_folder_k(const ProjectState& project, const std::string& first, int k, std::string* temp);
    void publish(Outcome& o, const std::vector<std::string>& temps);
    zip::ProgressFn progress_to(const std::string& done_name, const char* done_word);
    Outcome restore_chosen(const ProjectState& project, const RestoreQuestions& ask);
    RestoreEvents restore_events(size_t folders, bool count);
    void take_over(const RestoreSetResult& result, Outcome& outcome);

    BackupMachine machine_;
    ProgressView& view_;
};

}  // namespace backup
