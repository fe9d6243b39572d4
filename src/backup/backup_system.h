#pragma once
// Backup and restore on a file system: the ZIP engine and the restore machine over one file seam,
// with the process check handed in.
#include <functional>
#include <string>
#include <vector>

#include "backup/operations.h"

class EngineBackupSystem : public BackupSystem {
   public:
    using RunningCheck = std::function<bool(const std::string& exe_name)>;
    EngineBackupSystem(zip::FileSystem& fs, RunningCheck running, unsigned threads = 0)
        : fs_(fs), running_(std::move(running)), threads_(threads) {}

    zip::FileSystem& files() override { return fs_; }
    bool is_program_running(const std::string& exe_name) override { return running_ && running_(exe_name); }
    zip::Result compress(const std::string& folder, const std::string& archive, const zip::ProgressFn& p,
                         const std::vector<std::string>& excluded) override;
    RestoreSetResult restore_set(const RestoreRequest& request, const RestoreEvents& events) override;
    RestoreSetResult undo_restore(const ProjectFolders& project, const RestoreEvents& events) override;
    RecoveryReport recover(const ProjectFolders& project) override;

   private:
    zip::FileSystem& fs_;
    RunningCheck running_;
    unsigned threads_;
};
