#pragma once
// Backup and restore on the real machine: its file system and its processes.
#include "backup/backup_system.h"

class WinBackupSystem : public EngineBackupSystem {
   public:
    WinBackupSystem();
};
