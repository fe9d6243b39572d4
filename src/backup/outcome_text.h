#pragma once
// What the user is told after a backup or restore, in the order it is shown: one notice per
// refusal or per archive that was not done, then the closing summary.
#include <string>
#include <utility>
#include <vector>

#include "backup/operation_types.h"

namespace backup {

struct Notice {
    std::string text;
    std::string title = "信息：";
    bool warning = false;  // shown with the exclamation icon
};

std::vector<Notice> backup_notices(const Outcome& outcome);
std::vector<Notice> restore_notices(const Outcome& outcome);
std::vector<Notice> undo_notices(const Outcome& outcome);

// Said once when restores ended by force were taken back (at start, or before the next action).
std::string interrupted_restore_text(const std::vector<std::string>& projects);
// At start: what was found of restores ended by force, project by project.
std::string startup_recovery_text(const std::vector<std::pair<std::string, RecoveryReport>>& reports);
// Everything an earlier restore or undo left that the user must know, in one text.
std::string recovery_text(const RecoveryReport& report, const std::vector<std::string>& projects);
// The outcome with every path as the user reads it: texts are made of this.
Outcome as_shown(Outcome outcome);

}  // namespace backup
