#pragma once
// The window "存档历史 - <项目>": every backup set and safety copy of a project, newest first, with
// what each would change, its note and kept mark; restores, deletes and shows them. Modeless: it
// stays open beside the main window.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "backup/exclusions.h"
#include "fs/file_system.h"
#include "fs/recycle_bin.h"

namespace history_ui {
enum Control : int {
    kRestoreButton = 1,  // IDOK: Enter restores
    kCloseButton = 2,    // IDCANCEL: Esc closes
    kList = 100,         // 时间, 类型, 大小, 文件夹, 备注
    kCompareButton,
    kNoteButton,
    kKeepButton,
    kDeleteButton,
    kOpenFolderButton,
    kComparisonEdit,
    kVerifyButton,
};
// Sent by the main window when the work it ran for this window has ended.
inline constexpr UINT kWorkEnded = WM_APP + 1;
// Posted by the 校验 worker: a line (new std::string) to show, or with a null pointer, the end.
inline constexpr UINT kVerifyLine = WM_APP + 4;
}  // namespace history_ui

struct HistoryContext {
    fs::FileSystem* fs = nullptr;
    fs::RecycleBin* recycle_bin = nullptr;      // where 删除 moves a set
    std::vector<std::string> excluded_folders;  // the tool's own: 比较 leaves them out as a backup does
    std::string project;
    std::string backup_folder;
    std::vector<std::string> save_paths;  // expanded
    // Starts the restore of the set of this first archive exactly as 恢复存档 does; false when it
    // could not start. Once started, the window waits for history_ui::kWorkEnded and reads the
    // list again.
    std::function<bool(const std::string& first_archive)> restore;
    backup::Exclusions exclusions;  // the project's 排除: 比较 leaves them out as a backup does
};

// Opens the window; nullptr when it could not be made. It deletes itself when closed.
HWND open_history_window(HistoryContext context);
