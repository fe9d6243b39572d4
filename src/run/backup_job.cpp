#include "run/backup_job.h"

RunResult BackupJobResult::run_result() const {
    const RunResult archives = ::run_result(outcome);
    if (archives == kAllWritten && (!pruned.failed.empty() || !stamped)) return kSomeFailed;
    return archives;
}

BackupJobResult run_backup_job(BackupRunner& runner, ArchiveFolder& archives, OperationStamp& stamp,
                               const ProjectState& project, int keep_sets) {
    BackupJobResult result;
    result.outcome = runner.backup(project);
    result.pruned = prune_after_backup(archives, project.backup_folder, result.outcome, keep_sets);
    result.stamped = stamp.stamp(project.name);  // refusals included
    return result;
}

std::string stamp_failure_text(const std::string& project) {
    return project + "：操作时间未能写入项目列表";
}
