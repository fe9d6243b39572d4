#pragma once
// Keeping the last N backups of a project. After a backup in which every archive was written, the
// oldest archive sets beyond N are deleted whole: the first archive and its numbered companions.
// Only names the backup itself writes are ever touched, so Desktop.ini, image.ico, folders and
// whatever else the user keeps in the backup folder stay.
#include <functional>
#include <string>
#include <vector>

#include "backup/operation_types.h"

namespace backup {

struct PruneResult {
    std::vector<std::string> deleted;  // paths
    std::vector<std::string> failed;
    std::vector<std::string> gone_sets;  // the sets deleted whole, as 备份信息.ini names them
};

// Which sets one pruning counts and may delete, as 备份信息.ini names them; the others
// neither count nor go. Empty: every set.
using PruneScope = std::function<bool(const std::string& first_archive)>;

// Keeps the newest `keep` sets (0: all) of `scope` in the backup folder after `outcome`; does
// nothing unless every archive was written. The set just written always stays, whatever the clock
// said when the older ones were named. Companions without a first archive cannot be restored: they
// do not count as a kept set, but go only with the sets older than the last one kept.
PruneResult prune_after_backup(fs::FileSystem& fs, const std::string& backup_folder, const Outcome& outcome,
                               int keep, const PruneScope& scope = {});

}  // namespace backup
