#include "backup/operations.h"
#include "backup/processes.h"

namespace backup {

BackupMachine platform_backup_machine(fs::FileSystem& fs) {
    return {fs, [](const std::string& exe) { return backup::is_program_running(exe); }};
}

}  // namespace backup
