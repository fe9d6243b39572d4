#include "backup/backup_system_win.h"

#include "backup/processes.h"
#include "backup/zip/names.h"
#include "paths/files.h"

bool WinBackupSystem::directory_exists(const std::string& path) { return files::is_directory(path); }
bool WinBackupSystem::file_exists(const std::string& path) { return files::is_file(path); }
bool WinBackupSystem::create_directory(const std::string& path) { return files::create_directory(path); }
bool WinBackupSystem::is_program_running(const std::string& exe) { return ::is_program_running(exe); }

void WinBackupSystem::remove_leftovers(const std::string& backup_folder) {
    for (const std::string& name : files::matching_files(backup_folder, "*.tmp"))
        if (zip::is_temporary_name(name)) files::delete_file(backup_folder + "\\" + name);
}

zip::Result WinBackupSystem::compress(const std::string& folder, const std::string& archive,
                                      const zip::ProgressFn& p) {
    return zip::compress_folder(folder, archive, p);
}

zip::Result WinBackupSystem::extract(const std::string& archive, const std::string& folder,
                                     const zip::ProgressFn& p) {
    return zip::extract_archive(archive, folder, p);
}

void remove_leftovers_of_all_projects(const std::string& backup_root) {
    WinBackupSystem system;
    for (const std::string& project : files::sub_folders(backup_root)) system.remove_leftovers(backup_root + "\\" + project);
}
