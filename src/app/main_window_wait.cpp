// Backups after the program has ended: 启动程序 of a project with "退出后自动备份" leaves the main
// window waiting, on a timer, until no process of the program's name is left.
#include <windows.h>

#include "app/main_window.h"
#include "backup/processes.h"
#include "config/project_edit.h"
#include "paths/gbk_text.h"

namespace {

constexpr UINT kWaitInterval = 1000;  // ms between looks at the process list

}  // namespace

std::vector<std::string> MainWindow::waiting_projects() const {
    std::vector<std::string> names;
    for (const WaitingProgram& w : waiting_) names.push_back(w.project);
    return names;
}

void MainWindow::wait_for_exit(const CurrentProject& project) {
    const std::string exe = gbk::after_last_backslash(project.program_file);
    set_text(kProgressTextLabel, "等待 " + exe + " 退出…");
    if (contains_project(waiting_projects(), project.name)) return;  // started twice: still one backup
    waiting_.push_back({project.name, exe});
    SetTimer(hwnd(), kWaitTimer, kWaitInterval, nullptr);
}

void MainWindow::check_waiting_programs() {
    // A backup, restore, message box or modal window is in progress: the next tick will do.
    if (busy_ || !IsWindowEnabled(hwnd())) return;
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
        if (is_program_running(it->exe)) continue;
        const std::string name = it->project;
        waiting_.erase(it);
        if (waiting_.empty()) KillTimer(hwnd(), kWaitTimer);
        back_up_after_exit(name);
        return;  // one per tick: the backup has handled messages meanwhile
    }
}

// As if the user had picked the project and pressed 备份存档.
void MainWindow::back_up_after_exit(const std::string& project_name) {
    HWND combo = item(kProjectCombo);
    LRESULT index = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(project_name.c_str()));
    if (index == CB_ERR) return;
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    load_current_project();
    backup_current_project();
}
