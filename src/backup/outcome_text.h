#pragma once
// What the user is told after a backup or restore, in the order it is shown: one notice per
// refusal or per archive that was not done, then the closing summary.
#include <string>
#include <vector>

#include "backup/operations.h"

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

