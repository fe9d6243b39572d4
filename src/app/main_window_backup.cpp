// The main window's backup, restore and project icon: the buttons, the progress display and the
// folder decoration around the backup steps.
#include <windows.h>
#include <commctrl.h>

#include "app/app_state.h"
#include "app/main_window.h"
#include "backup/backup_system_win.h"
#include "backup/decorate.h"
#include "config/project_name.h"
#include "paths/files.h"
#include "paths/gbk_text.h"
#include "ui/prompt.h"

namespace {

// Progress goes straight into the controls; pending messages are handled after each step so the
// window repaints while the work runs on this thread.
class MainProgress : public ProgressView {
   public:
    explicit MainProgress(MainWindow& w) : w_(w) {}
    void set_percent(int percent) override {
        SendMessageA(w_.item(MainWindow::kProgressBar), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
        pump();
    }
    void set_status(const std::string& text) override { w_.set_text(MainWindow::kProgressTextLabel, text); }
    void set_counter(const std::string& text) override {
        w_.set_text(MainWindow::kProgressCountLabel, text);
        pump();
    }

   private:
    static void pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    MainWindow& w_;
};

constexpr int kLockedControls[] = {MainWindow::kProjectCombo, MainWindow::kBackupButton,
                                   MainWindow::kRestoreButton, MainWindow::kStartButton,
                                   MainWindow::kConfigButton};

}  // namespace

ProjectState MainWindow::operation_state() const {
    ProjectState s;
    s.name = text(kProjectCombo);
    s.program_path_text = text(kProgramPathEdit);
    s.save_paths = project().save_paths;
    s.backup_folder = project().backup_folder;
    return s;
}

void MainWindow::run_locked(const std::function<void(BackupRunner&)>& work) {
    if (busy_) return;
    busy_ = true;
    for (int id : kLockedControls) enable(id, false);
    WinBackupSystem system(app().save_config_path);
    MainProgress progress(*this);
    BackupRunner runner(system, progress);
    work(runner);
    busy_ = false;
    enable(kProjectCombo, true);
    enable(kConfigButton, true);
    update_enable_states();
}

void MainWindow::backup_current_project() {
    run_locked([this](BackupRunner& runner) {
        runner.backup(operation_state());
        if (!runner.last_archive_path().empty()) last_archive_path_ = runner.last_archive_path();
    });
}

void MainWindow::restore_current_project() {
    run_locked([this](BackupRunner& runner) {
        ProjectState state = operation_state();
        runner.restore(state, [&]() -> std::optional<std::string> {
            OpenFileRequest r;
            r.title = "选择备份文件：";
            r.filter = "ZIP压缩文件(*.zip)|*.zip";
            r.default_ext = "zip";
            r.initial_dir = state.backup_folder;
            r.initial_file = gbk::after_last_backslash(last_restore_file_);
            std::optional<std::string> chosen = prompt().open_file(r);
            if (chosen) last_restore_file_ = *chosen;
            return chosen;
        });
    });
}

// Decoration writes only inside "存档目录"; a project name that is no plain folder name is left
// undecorated (backup and restore refuse it with a message).
void MainWindow::decorate_project() {
    const std::string& name = project().name;
    if (is_valid_project_name(name)) {
        const std::string folder = app().backup_root() + "\\" + name + "\\";
        if (!files::exists(folder + "image.ico")) decorate_backup_folder(text(kProgramPathEdit), folder);
    }
    show_project_icon();
}

void MainWindow::show_project_icon() {
    HICON icon = nullptr;
    const std::string ico = app().backup_root() + "\\" + project().name + "\\image.ico";
    if (is_valid_project_name(project().name) && is_sound_icon_file(ico)) {
        icon = ExtractIconA(GetModuleHandleA(nullptr), ico.c_str(), 0);
        if (icon == reinterpret_cast<HICON>(1)) icon = nullptr;  // "not an icon file"
    }
    HICON old = reinterpret_cast<HICON>(SendMessageA(item(kProgramIcon), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0));
    if (old) DestroyIcon(old);
}
