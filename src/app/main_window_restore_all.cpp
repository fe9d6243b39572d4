// The main window's way into 全部恢复, whose restores run on this window's controller, and the fix
// of paths that name another user's profile or a drive this machine lacks.
#include <algorithm>

#include "app/main_window.h"
#include "config/machine_list.h"
#include "config/project_list.h"
#include "paths/files.h"
#include "paths/folders_win.h"
#include "ui/path_fix_offer.h"
#include "ui/prompt.h"
#include "ui/restore_all_window.h"

namespace {

// A drive missing here is said in 全部恢复 only: folders on a drive not plugged in now are no
// trouble of paths that the main window would ask about at every pick.
PathTrouble trouble_of(const CurrentProject& project) {
    return project_path_trouble(project, system_folders(), files::drive_exists, PathTrouble::other_user);
}

}  // namespace

void MainWindow::open_restore_all() {
    if (IsWindow(restore_all_)) {
        ShowWindow(restore_all_, SW_RESTORE);
        SetForegroundWindow(restore_all_);
        return;
    }
    RestoreAllContext context;
    context.fs = &files();
    context.config_dir = context_.folders.config_dir();
    context.projects = [this] {
        std::vector<CurrentProject> projects;
        for (const std::string& name : load_project_names(files(), context_.save_config_path))
            projects.push_back(load_project(project_list(), name, context_.folders, special()));
        return projects;
    };
    context.start = [this](Operation operation, std::function<void(const BackupJobResult&)> ended, std::string* why) {
        const std::string name = operation.project.name;
        if (!operations().start(std::move(operation), nullptr, std::move(ended))) {
            *why = busy_text(name);
            return false;
        }
        update_enable_states();
        return true;
    };
    context.keep_fix = [this](const PathFix& fix) { return keep_path_fix(fix); };
    restore_all_ = open_restore_all_window(std::move(context));
}

void MainWindow::show_path_trouble() {
    const std::string said = path_trouble_text(trouble_of(project()));
    if (!said.empty()) set_text(kProgressTextLabel, said);
}

// Offered once a session for each folder: a user who said no is not asked again at every pick.
void MainWindow::offer_path_fix() {
    const PathTrouble trouble = trouble_of(project());
    if (trouble.kind == PathTrouble::none) return;
    if (std::find(fixes_offered_.begin(), fixes_offered_.end(), trouble.folder) != fixes_offered_.end()) return;
    fixes_offered_.push_back(trouble.folder);
    const std::optional<PathFix> fix = ask_for_path_fix(trouble);
    if (!fix) return;
    if (!keep_path_fix(*fix)) show_message("无法写入 系统配置文件.ini，路径没有修正。", mb::kIconExclamation);
    load_current_project();
}

// Kept in this machine's section and applied from now on; the project list stays as it is.
bool MainWindow::keep_path_fix(const PathFix& fix) {
    if (!::keep_path_fix(files(), context_.folders, context_.machine_id, fix)) return false;
    use_path_fixes(read_path_fixes(files(), context_.folders, context_.machine_id));
    return true;
}
