#pragma once
// Keeping the last N backups of a project. After a backup in which every archive was written, the
// oldest archive sets beyond N are deleted whole: the first archive and its numbered companions.
// Only names the backup itself writes are ever touched, so Desktop.ini, image.ico, folders and
// whatever else the user keeps in the backup folder stay.
#include <string>
#include <vector>

#include "backup/operations.h"

// The files of a backup folder, as far as pruning needs them.
class ArchiveFolder {
   public:
    virtual ~ArchiveFolder() = default;
    virtual std::vector<std::string> file_names(const std::string& folder) = 0;  // files only, no folders
    virtual bool delete_file(const std::string& path) = 0;
};

struct PruneResult {
    std::vector<std::string> deleted;  // full paths
    std::vector<std::string> failed;
};

// Keeps the newest `keep` sets (0: all) in the backup folder after `outcome`; does nothing unless
// every archive was written. The set just written always stays, whatever the clock said when the
// older ones were named. Companions without a first archive cannot be restored: they do not count
// as a kept set, but go only with the sets older than the last one kept.
PruneResult prune_after_backup(ArchiveFolder& files, const std::string& backup_folder, const Outcome& outcome,
                               int keep);
