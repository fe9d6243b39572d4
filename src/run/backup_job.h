#pragma once
// A backup as the user asked for it, from the window or the command line alike: the save folders
// packed, the oldest sets beyond 保留份数 deleted, and 操作时间 stamped, in every case.
#include <string>
#include <utility>

#include "backup/backup_info.h"
#include "backup/backup_report.h"
#include "backup/operations.h"
#include "backup/retention.h"
#include "config/project_edit.h"

// Where the job writes 操作时间; false when the write failed. A project no longer listed is left
// alone and counts as stamped.
class OperationStamp {
   public:
    virtual ~OperationStamp() = default;
    virtual bool stamp(const std::string& project) = 0;
};

struct BackupJobResult {
    backup::Outcome outcome;
    backup::PruneResult pruned;
    bool stamped = true;
    bool unchanged = false;  // skipped: the saves are as the newest set holds them; nothing written

    // The exit code of a run: an old backup that stayed, or a stamp that was not written, counts
    // as an archive that was not.
    backup::RunResult run_result() const;
};

// How a backup was asked for: the kind written beside its set, and how many sets of the kinds
// its pruning counts to keep. Timed sets are counted apart from all others; kept sets never count.
struct BackupJob {
    std::string kind = backup::backup_kind::kManual;
    int keep_sets = 0;
    bool skip_unchanged = false;  // write nothing when the saves match the newest set
    bool while_running = false;   // the user asked for it while playing: a running program is no refusal
};

// The jobs that run by themselves. A timed backup runs while the program runs and counts its
// sets apart; a quick one is asked for while playing.
BackupJob timed_job(const ProjectOptions& options);
BackupJob quick_job(const ProjectOptions& options);
BackupJob after_exit_job(const ProjectOptions& options);
BackupJob command_line_job(const ProjectOptions& options);

BackupJobResult run_backup_job(backup::BackupRunner& runner, fs::FileSystem& fs, OperationStamp& stamp,
                               const backup::ProjectState& project, const BackupJob& job);

// Told when 操作时间 could not be written.
std::string stamp_failure_text(const std::string& project);
// The log line of a skipped backup.
std::string unchanged_text(const std::string& project);

// 操作时间 in a project list that the windows of the tool and runs without a window may change at
// the same time. Only a project still in the list is stamped: another run may have renamed or
// deleted it meanwhile, and a stamp would bring it back as a section without paths.
class ListStamp : public OperationStamp {
   public:
    explicit ListStamp(ProjectFiles files) : files_(std::move(files)) {}
    bool stamp(const std::string& project) override { return stamp_project(files_, project, true); }

   private:
    ProjectFiles files_;
};
