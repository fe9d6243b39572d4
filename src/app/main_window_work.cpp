// The main window's backup, restore and undo: each asks the operations controller, which runs it
// on a worker; the progress display, the questions and what the user is told afterwards come back
// to this thread. Also the project's icon and folder decoration.
#include <windows.h>
#include <commctrl.h>

#include "app/main_window.h"
#include "app/project_decoration.h"
#include "backup/decorate.h"
#include "backup/restore.h"
#include "config/project_name.h"
#include "fs/wide_text.h"
#include "paths/gbk_text.h"
#include "ui/history_window.h"
#include "ui/prompt.h"

namespace {

// The open-file dialog crashes on an initial folder longer than MAX_PATH: a deeper one is given as
// its short form when that fits, else the dialog starts where it likes.
std::string folder_for_dialog(const std::string& folder) {
    const std::wstring wide = fs::to_wide(folder);
    if (wide.size() < MAX_PATH) return folder;
    std::wstring short_form(32768, L'\0');
    const DWORD n = GetShortPathNameW(fs::long_path(wide).c_str(), short_form.data(), 32768);
    short_form.resize(n < 32768 ? n : 0);
    if (short_form.rfind(L"\\\\?\\UNC\\", 0) == 0) short_form.replace(0, 8, L"\\\\");
    if (short_form.rfind(L"\\\\?\\", 0) == 0) short_form.erase(0, 4);
    return short_form.size() < MAX_PATH ? fs::to_ansi(short_form) : "";
}

}  // namespace

// The running check uses the program path as shown.
backup::ProjectState MainWindow::operation_state() const {
    return project_state(project(), text(kProgramPathEdit), special());
}

// The buttons stay locked, the window usable, until what happened has been told.
bool MainWindow::start_attended(Operation operation) {
    if (operations().attended_working()) return false;
    const Operation told_as = operation;
    if (!operations().start(std::move(operation), &progress_,
                            [this, told_as](const BackupJobResult& r) { finish_attended(told_as, r); })) {
        show_message(busy_text(told_as.project.name));
        return false;
    }
    update_enable_states();
    return true;
}

// Told while the buttons are still locked; 操作时间 was stamped by the work, in every case.
void MainWindow::finish_attended(const Operation& operation, const BackupJobResult& result) {
    const Told told = told_of(operation, result);
    for (const backup::Notice& n : told.boxes) show_message(n.text, n.warning ? mb::kIconExclamation : mb::kOk, n.title);
    if (!told.progress_line.empty()) set_text(kProgressTextLabel, told.progress_line);
}

// The project is free again: the buttons come back, and 存档历史 shows what the work changed.
void MainWindow::work_settled() {
    work_changed();
    if (!history_restoring_ || operations().attended_working()) return;
    history_restoring_ = false;
    if (IsWindow(history_)) PostMessageA(history_, history_ui::kWorkEnded, 0, 0);
}

// With "保留份数" set, a backup that wrote every archive makes room by deleting the oldest sets.
void MainWindow::backup_current_project(const char* kind) {
    Operation operation;
    operation.project = operation_state();
    operation.job = {kind, project().options.keep_sets};
    start_attended(std::move(operation));
}

std::optional<std::string> MainWindow::ask_for_archive(const std::string& backup_folder) {
    OpenFileRequest r;
    r.title = "选择备份文件：";
    r.filter = "ZIP压缩文件(*.zip)|*.zip";
    r.default_ext = "zip";
    r.initial_dir = folder_for_dialog(fs::shown(backup_folder));
    r.initial_file = gbk::after_last_backslash(last_restore_file_);
    std::optional<std::string> chosen = prompt().open_file(r);
    if (!chosen) return chosen;
    last_restore_file_ = *chosen;
    return fs::path_of(*chosen);
}

void MainWindow::restore_current_project() {
    restore_from([this](const std::string& backup_folder) { return ask_for_archive(backup_folder); });
}

bool MainWindow::restore_archive(const std::string& first_archive) {
    return restore_from([first_archive](const std::string&) { return std::optional<std::string>(first_archive); });
}

// The running program is refused first, then the archive is chosen, then the question: the
// runner asks them in that order, each on this thread.
bool MainWindow::restore_from(std::function<std::optional<std::string>(const std::string& backup_folder)> choose) {
    Operation operation;
    operation.kind = Operation::restore;
    operation.project = operation_state();
    operation.ask.choose_archive = [choose = std::move(choose), folder = operation.project.backup_folder] {
        return choose(folder);
    };
    operation.ask.confirm_overwrite = [] {
        return show_message("存档已存在是否覆盖？", mb::kYesNo | mb::kIconQuestion) == mb::kIdYes;
    };
    return start_attended(std::move(operation));
}

void MainWindow::undo_last_restore() {
    if (!can_undo()) return;
    Operation operation;
    operation.kind = Operation::undo;
    operation.project = operation_state();
    operation.confirm_undo = [] {
        return show_message("是否撤销上次恢复？\r\n存档将回到上次恢复之前的样子。", mb::kYesNo | mb::kIconQuestion) ==
               mb::kIdYes;
    };
    start_attended(std::move(operation));
}

// Only a selected project whose last restore can still be taken back, while nothing else runs on it.
bool MainWindow::can_undo() const {
    if (!is_valid_project_name(project().name) || operations().attended_working() || operations().busy(project().name))
        return false;
    return backup::has_restore_to_undo(files(), project().backup_folder);
}

void MainWindow::add_undo_to_system_menu() {
    HMENU menu = GetSystemMenu(hwnd(), FALSE);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING | MF_GRAYED, kUndoCommand, "撤销上次恢复(&U)");
    AppendMenuA(menu, MF_STRING | MF_GRAYED, kHistoryCommand, "存档历史(&H)");
    AppendMenuA(menu, MF_STRING, kRestoreAllCommand, "全部恢复(&Q)…");
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
    decorate_project_folder(files(), project());
    show_project_icon();
}

void MainWindow::show_project_icon() {
    HICON icon = nullptr;
    const std::string ico = fs::join_path(project().backup_folder, "image.ico");
    if (is_valid_project_name(project().name) && backup::is_sound_icon_file(files(), ico)) {
        icon = ExtractIconA(GetModuleHandleA(nullptr), fs::shown(ico).c_str(), 0);
        if (icon == reinterpret_cast<HICON>(1)) icon = nullptr;  // "not an icon file"
    }
    HICON old = reinterpret_cast<HICON>(SendMessageA(item(kProgramIcon), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0));
    if (old) DestroyIcon(old);
}
