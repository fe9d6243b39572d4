#pragma once
// Backup and restore on the real machine: folders, processes and the ZIP engine.
#include <string>

#include "backup/operations.h"

class WinBackupSystem : public BackupSystem {
   public:
    bool directory_exists(const std::string& path) override;
    bool file_exists(const std::string& path) override;
    bool create_directory(const std::string& path) override;
    bool is_program_running(const std::string& exe_name) override;
    void remove_leftovers(const std::string& backup_folder) override;
    zip::Result compress(const std::string& folder, const std::string& archive, const zip::ProgressFn& p) override;
    zip::Result extract(const std::string& archive, const std::string& folder, const zip::ProgressFn& p) override;
};

// Deletes the unfinished archives that backups ended by force left in the backup folders of every
// project. A backup that is running holds its file open, so it keeps it.
void remove_leftovers_of_all_projects(const std::string& backup_root);
