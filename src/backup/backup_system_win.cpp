#include "backup/backup_system_win.h"

#include "backup/processes.h"
#include "config/project_list.h"
#include "paths/files.h"

bool WinBackupSystem::directory_exists(const std::string& path) { return files::is_directory(path); }
bool WinBackupSystem::file_exists(const std::string& path) { return files::is_file(path); }
bool WinBackupSystem::create_directory(const std::string& path) { return files::create_directory(path); }
bool WinBackupSystem::is_program_running(const std::string& exe) { return ::is_program_running(exe); }

zip::Result WinBackupSystem::compress(const std::string& folder, const std::string& archive,
                                      const zip::ProgressFn& p) {
    return zip::compress_folder(folder, archive, p);
}

zip::Result WinBackupSystem::extract(const std::string& archive, const std::string& folder,
                                     const zip::ProgressFn& p) {
    return zip::extract_archive(archive, folder, p);
}

void WinBackupSystem::stamp_operation_time(const std::string& project) {
    ::stamp_operation_time(save_config_path_, project);
}
