#include "backup/operations.h"
#include "backup/processes.h"

BackupMachine platform_backup_machine(fs::FileSystem& fs) {
    return {fs, [](const std::string& exe) { return ::is_program_running(exe); }};
}
