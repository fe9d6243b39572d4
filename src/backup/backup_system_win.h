#pragma once
// Backup and restore on the real machine: folders, processes and the ZIP engine.
#include <string>
#include <vector>

#include "backup/operations.h"

class WinBackupSystem : public BackupSystem {
   public:
    bool directory_exists(const std::string& path) override;
    bool file_exists(const std::string& path) override;
    bool create_directory(const std::string& path) override;
    bool is_program_running(const std::string& exe_name) override;
    void remove_leftovers(const std::string& backup_folder) override;
    zip::Result compress(const std::string& folder, const std::string& archive, const zip::ProgressFn& p) override;
    RestoreSetResult restore_set(const RestoreRequest& request, const RestoreEvents& events) override;
    RestoreSetResult undo_restore(const std::string& backup_folder, const RestoreEvents& events) override;
    bool has_restore_to_undo(const std::string& backup_folder) override;
    bool recover(const std::string& backup_folder) override;
};

// At start: deletes the unfinished archives that backups ended by force left in the backup folders
// of every project (a backup that is running holds its file open, so it keeps it), and finishes or
// takes back restores that were ended by force. Returns the projects whose restore was taken back.
std::vector<std::string> clean_up_after_forced_ends(const std::string& backup_root);
