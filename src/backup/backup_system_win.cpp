#include "backup/backup_system_win.h"

#include "backup/processes.h"

WinBackupSystem::WinBackupSystem()
    : EngineBackupSystem(zip::platform_file_system(), [](const std::string& exe) { return ::is_program_running(exe); }) {}
