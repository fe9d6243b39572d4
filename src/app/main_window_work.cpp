// The main window's backup, restore and project icon: the buttons, the progress display, what the
// user is told afterwards and the folder decoration.
#include <windows.h>
#include <commctrl.h>

#include "app/main_window.h"
#include "app/project_decoration.h"
#include "backup/backup_report.h"
#include "backup/decorate.h"
#include "backup/restore.h"
#include "config/project_name.h"
#include "paths/gbk_text.h"
#include "run/backup_job.h"
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

void tell(const std::vector<Notice>& notices) {
    for (const Notice& n : notices) show_message(n.text, n.warning ? mb::kIconExclamation : mb::kOk, n.title);
}

}  // namespace

// The running check uses the program path as shown.
ProjectState MainWindow::operation_state() const {
    return project_state(project(), text(kProgramPathEdit), special());
}

void MainWindow::run_locked(const std::function<Told(BackupRunner&)>& work) {
    if (busy_) return;
    busy_ = true;
    for (int id : kLockedControls) enable(id, false);
    MainProgress progress(*this);
    BackupRunner runner(platform_backup_machine(), progress);
    const Told told = work(runner);
    tell(told.notices);
    if (!told.stamped)
        stamp_operation_time();  // in every case, refusals included
    else if (!*told.stamped)
        show_stamp_failure();
    busy_ = false;
    enable(kProjectCombo, true);
    enable(kConfigButton, true);
    update_enable_states();
    refresh_undo_item();
}

// With "保留份数" set, a backup that wrote every archive makes room by deleting the oldest sets.
void MainWindow::backup_current_project(const char* kind) {
    run_locked([this, kind](BackupRunner& runner) {
        ListStamp stamp(project_list());
        const BackupJobResult job = run_backup_job(runner, fs::platform_file_system(), stamp, operation_state(),
                                                   {kind, project().options.keep_sets});
        Told told{backup_notices(job.outcome), job.stamped};
        for (const Notice& n : prune_notices(job.pruned)) told.notices.push_back(n);
        return told;
    });
}

std::optional<std::string> MainWindow::choose_archive(const std::string& backup_folder) {
    OpenFileRequest r;
    r.title = "选择备份文件：";
    r.filter = "ZIP压缩文件(*.zip)|*.zip";
    r.default_ext = "zip";
    r.initial_dir = backup_folder;
    r.initial_file = gbk::after_last_backslash(last_restore_file_);
    std::optional<std::string> chosen = prompt().open_file(r);
    if (chosen) last_restore_file_ = *chosen;
    return chosen;
}

void MainWindow::restore_current_project() {
    restore_from([this](const ProjectState& state) { return choose_archive(state.backup_folder); });
}

void MainWindow::restore_archive(const std::string& first_archive) {
    restore_from([first_archive](const ProjectState&) { return std::optional<std::string>(first_archive); });
}

void MainWindow::restore_from(const std::function<std::optional<std::string>(const ProjectState&)>& choose) {
    run_locked([this, &choose](BackupRunner& runner) {
        const ProjectState state = operation_state();
        RestoreQuestions ask;
        ask.choose_archive = [&] { return choose(state); };
        ask.confirm_overwrite = [] {
            return show_message("存档已存在是否覆盖？", mb::kYesNo | mb::kIconQuestion) == mb::kIdYes;
        };
        return Told{restore_notices(runner.restore(state, ask)), std::nullopt};
    });
}

void MainWindow::undo_last_restore() {
    if (!can_undo()) return;
    run_locked([this](BackupRunner& runner) {
        return Told{undo_notices(runner.undo(operation_state(), [] {
            return show_message("是否撤销上次恢复？\r\n存档将回到上次恢复之前的样子。", mb::kYesNo | mb::kIconQuestion) ==
                   mb::kIdYes;
        })), std::nullopt};
    });
}

// Only a selected project whose last restore can still be taken back.
bool MainWindow::can_undo() const {
    if (busy_ || !is_valid_project_name(project().name)) return false;
    return has_restore_to_undo(fs::platform_file_system(), project().backup_folder);
}

void MainWindow::add_undo_to_system_menu() {
    HMENU menu = GetSystemMenu(hwnd(), FALSE);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING | MF_GRAYED, kUndoCommand, "撤销上次恢复(&U)");
    AppendMenuA(menu, MF_STRING | MF_GRAYED, kHistoryCommand, "存档历史(&H)");
}

void MainWindow::refresh_undo_item() {
    HMENU menu = GetSystemMenu(hwnd(), FALSE);
    EnableMenuItem(menu, kUndoCommand, MF_BYCOMMAND | (can_undo() ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(menu, kHistoryCommand, MF_BYCOMMAND | (has_history() ? MF_ENABLED : MF_GRAYED));
}

// A right click on 恢复按钮 (or its menu key: the menu then opens at the button).
void MainWindow::show_restore_menu(POINT at) {
    if (at.x == -1 && at.y == -1) {
        RECT r;
        GetWindowRect(item(kRestoreButton), &r);
        at = {r.left, r.bottom};
    }
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING | (can_undo() ? 0 : MF_GRAYED), kUndoCommand, "撤销上次恢复(&U)");
    AppendMenuA(menu, MF_STRING | (has_history() ? 0 : MF_GRAYED), kHistoryCommand, "存档历史(&H)");
    UINT chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
    DestroyMenu(menu);
    if (chosen == kUndoCommand) undo_last_restore();
    if (chosen == kHistoryCommand) open_history();
}

void MainWindow::decorate_project() {
    decorate_project_folder(project());
    show_project_icon();
}

void MainWindow::show_project_icon() {
    HICON icon = nullptr;
    const std::string ico = project().backup_folder + "\\image.ico";
    if (is_valid_project_name(project().name) && is_sound_icon_file(ico)) {
        icon = ExtractIconA(GetModuleHandleA(nullptr), ico.c_str(), 0);
        if (icon == reinterpret_cast<HICON>(1)) icon = nullptr;  // "not an icon file"
    }
    HICON old = reinterpret_cast<HICON>(SendMessageA(item(kProgramIcon), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0));
    if (old) DestroyIcon(old);
}
