#pragma once
#include "backup/operations.h"

// Backup and restore on the real machine: folders, processes, the ZIP engine, the project list.
class WinBackupSystem : public BackupSystem {
   public:
    explicit WinBackupSystem(std::string save_config_path) : save_config_path_(std::move(save_config_path)) {}
    bool directory_exists(const std::string& path) override;
    bool file_exists(const std::string& path) override;
    bool create_directory(const std::string& path) override;
    bool is_program_running(const std::string& exe_name) override;
    zip::Result compress(const std::string& folder, const std::string& archive, const zip::ProgressFn& p) override;
    zip::Result extract(const std::string& archive, const std::string& folder, const zip::ProgressFn& p) override;
    void stamp_operation_time(const std::string& project) override;

   private:
    std::string save_config_path_;
};
