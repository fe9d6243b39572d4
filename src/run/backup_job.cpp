#include "run/backup_job.h"

#include "paths/gbk_text.h"
#include "run/save_changes.h"

backup::RunResult BackupJobResult::run_result() const {
    if (unchanged) return backup::kAllWritten;
    const backup::RunResult archives = backup::run_result(outcome);
    if (archives == backup::kAllWritten && (!pruned.failed.empty() || !stamped)) return backup::kSomeFailed;
    return archives;
}

namespace {

// A set's kind and kept mark are notes only: failing to write or read them changes no backup.
backup::PruneResult prune_by_kind(fs::FileSystem& fs, const backup::ProjectState& project, const backup::Outcome& outcome,
                          const BackupJob& job) {
    backup::BackupInfo info(fs, project.backup_folder);
    const std::string first = backup::set_key(outcome.first_done);
    if (!first.empty()) info.set_kind(first, job.kind);
    if (info.unreadable()) return {};
    const bool timed = job.kind == backup::backup_kind::kTimed;
    backup::PruneResult pruned = backup::prune_after_backup(fs, project.backup_folder, outcome, job.keep_sets,
                                            [&](const std::string& set) {
                                                const backup::SetInfo s = info.of(set);
                                                return !s.kept && (s.kind == backup::backup_kind::kTimed) == timed;
                                            });
    info.forget(pruned.gone_sets);
    return pruned;
}

}  // namespace

BackupJobResult run_backup_job(backup::BackupRunner& runner, fs::FileSystem& fs, OperationStamp& stamp,
                               const backup::ProjectState& project, const BackupJob& job) {
    BackupJobResult result;
    // Nothing is written for a skipped backup, 操作时间 included: a timed backup would otherwise
    // rewrite the list every few minutes while the player is away.
    if (job.skip_unchanged && saves_unchanged(fs, project)) {
        result.unchanged = true;
        return result;
    }
    backup::ProjectState state = project;
    if (job.while_running) state.program_file.clear();  // no program to look for: no refusal
    result.outcome = runner.backup(state);
    if (!result.outcome.first_done.empty()) result.pruned = prune_by_kind(fs, project, result.outcome, job);
    result.stamped = stamp.stamp(project.name);  // refusals included
    return result;
}

std::string stamp_failure_text(const std::string& project) {
    return project + "：操作时间未能写入项目列表";
}

std::string unchanged_text(const std::string& project) { return project + "：" + kUnchangedText; }

BackupJob timed_job(const ProjectOptions& o) {
    return {backup::backup_kind::kTimed, o.timed_keep > 0 ? o.timed_keep : kDefaultTimedKeep, true, true};
}

BackupJob quick_job(const ProjectOptions& o) { return {backup::backup_kind::kQuick, o.keep_sets, false, true}; }

BackupJob after_exit_job(const ProjectOptions& o) { return {backup::backup_kind::kAfterExit, o.keep_sets, true, false}; }

BackupJob command_line_job(const ProjectOptions& o) { return {backup::backup_kind::kCommandLine, o.keep_sets, true, false}; }
