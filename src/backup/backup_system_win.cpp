#include "backup/backup_system_win.h"

#include "backup/processes.h"
#include "backup/restore_guard.h"
#include "backup/zip/names.h"
#include "paths/files.h"

bool WinBackupSystem::directory_exists(const std::string& path) { return files::is_directory(path); }
bool WinBackupSystem::file_exists(const std::string& path) { return files::is_file(path); }
bool WinBackupSystem::create_directory(const std::string& path) { return files::create_directory(path); }
bool WinBackupSystem::is_program_running(const std::string& exe) { return ::is_program_running(exe); }

// The backup folder and the safety copies beside it.
void WinBackupSystem::remove_leftovers(const std::string& backup_folder) {
    for (const std::string& folder : {backup_folder, backup_folder + "\\" + guard::kSafetyFolder})
        for (const std::string& name : files::matching_files(folder, "*.tmp"))
            if (zip::is_temporary_name(name)) files::delete_file(folder + "\\" + name);
}

zip::Result WinBackupSystem::compress(const std::string& folder, const std::string& archive,
                                      const zip::ProgressFn& p) {
    return zip::compress_folder(folder, archive, p);
}

RestoreSetResult WinBackupSystem::restore_set(const RestoreRequest& request, const RestoreEvents& events) {
    return restore_with_safety_copy(zip::platform_file_system(), request, events);
}

RestoreSetResult WinBackupSystem::undo_restore(const std::string& backup_folder, const RestoreEvents& events) {
    return undo_last_restore(zip::platform_file_system(), backup_folder, events);
}

bool WinBackupSystem::has_restore_to_undo(const std::string& backup_folder) {
    return ::has_restore_to_undo(zip::platform_file_system(), backup_folder);
}

bool WinBackupSystem::recover(const std::string& backup_folder) {
    return recover_interrupted(zip::platform_file_system(), backup_folder);
}

std::vector<std::string> clean_up_after_forced_ends(const std::string& backup_root) {
    WinBackupSystem system;
    std::vector<std::string> taken_back;
    for (const std::string& project : files::sub_folders(backup_root)) {
        const std::string folder = backup_root + "\\" + project;
        system.remove_leftovers(folder);
        if (system.recover(folder)) taken_back.push_back(project);
    }
    return taken_back;
}
