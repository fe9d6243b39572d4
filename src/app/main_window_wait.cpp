// Backups after the program has ended: 启动程序 of a project with "退出后自动备份" leaves the main
// window waiting, on a timer, until no process of the program's name is left.
#include <windows.h>

#include "app/main_window.h"
#include "backup/processes.h"

std::vector<std::string> MainWindow::waiting_projects() const { return waits_.projects(); }

void MainWindow::wait_for_exit(const CurrentProject& project) {
    set_text(kProgressTextLabel, waiting_text(project.program_file));
    if (waits_.add(project.name, project.program_file)) SetTimer(hwnd(), kWaitTimer, kProgramLookInterval, nullptr);
}

void MainWindow::check_waiting_programs() {
    // A backup, restore, message box or modal window is in progress: the next tick will do.
    if (busy_ || !IsWindowEnabled(hwnd())) return;
    const std::optional<std::string> ended = waits_.take_ended(is_program_running);
    if (!ended) return;
    if (waits_.empty()) KillTimer(hwnd(), kWaitTimer);
    back_up_after_exit(*ended);  // one per tick: the backup handles messages meanwhile
}

// As 备份存档 does, but told in a notification: the user may be in another full-screen program.
// Nothing is written when the program left the saves as the newest set holds them.
void MainWindow::back_up_after_exit(const std::string& project_name) {
    run_unattended_backup(project_name, "退出后备份", after_exit_job);
}
