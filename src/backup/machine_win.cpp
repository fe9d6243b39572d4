#include "backup/operations.h"
#include "backup/processes.h"

BackupMachine platform_backup_machine() {
    return {fs::platform_file_system(), [](const std::string& exe) { return ::is_program_running(exe); }};
}
