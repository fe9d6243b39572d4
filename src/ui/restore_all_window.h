#pragma once
// The window "全部恢复": every project of this machine's list beside its newest backup set, with
// how its saves stand; the ticked ones are restored one after another. Modeless, beside the main
// window, which runs the restores.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "run/restore_all.h"

namespace restore_all_ui {
enum Control : int {
    kRestoreButton = 1,  // IDOK
    kCloseButton = 2,    // IDCANCEL: Esc closes
    kList = 100,         // 项目, 最新备份, 存档位置, 状态, a check box per row
    kAllButton,
    kNoneButton,
    kFixButton,
    kProgressBar,
    kStatusLabel,
};
}  // namespace restore_all_ui

struct RestoreAllContext {
    fs::FileSystem* fs = nullptr;
    std::string config_dir;  // where the record of a press under way is kept
    // The projects of this machine's list, read and expanded afresh (with this machine's path fixes).
    std::function<std::vector<CurrentProject>()> projects;
    // Starts the restore on the main window's controller; `ended` runs on this thread once it has
    // ended. False, with nothing started, when it could not start (`why` says so).
    std::function<bool(Operation operation, std::function<void(const BackupJobResult&)> ended, std::string* why)> start;
    // Keeps a fix of this machine's paths and applies it from then on; false when it could not be kept.
    std::function<bool(const PathFix& fix)> keep_fix;
};

// Opens the window; nullptr when it could not be made. It deletes itself when closed.
HWND open_restore_all_window(RestoreAllContext context);
