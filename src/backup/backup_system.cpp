#include "backup/backup_system.h"

#include "backup/restore.h"

zip::Result EngineBackupSystem::compress(const std::string& folder, const std::string& archive,
                                         const zip::ProgressFn& p, const std::vector<std::string>& excluded) {
    zip::Options options;
    options.fs = &fs_;
    options.threads = threads_;
    options.excluded_folders = excluded;
    return zip::compress_folder(folder, archive, p, options);
}

namespace {
RestoreEvents with_threads(RestoreEvents events, unsigned threads) {
    if (threads) events.threads = threads;
    return events;
}
}  // namespace

RestoreSetResult EngineBackupSystem::restore_set(const RestoreRequest& request, const RestoreEvents& events) {
    return restore_with_safety_copy(fs_, request, with_threads(events, threads_));
}

RestoreSetResult EngineBackupSystem::undo_restore(const ProjectFolders& project, const RestoreEvents& events) {
    return undo_last_restore(fs_, project, with_threads(events, threads_));
}

RecoveryReport EngineBackupSystem::recover(const ProjectFolders& project) { return recover_interrupted(fs_, project); }
