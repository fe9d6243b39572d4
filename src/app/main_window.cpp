#include "app/main_window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include "config/names.h"
#include "config/project_edit.h"
#include "config/project_list.h"
#include "paths/gbk_text.h"
#include "run/backup_job.h"
#include "ui/path_view_window.h"
#include "ui/prompt.h"

namespace {

using M = MainWindow;

constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;
constexpr DWORD kEdit = ES_AUTOHSCROLL | WS_TABSTOP;
constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP;
constexpr int kComboList = 200;  // a drop-down combo's height includes its open list

// clang-format off
const ControlSpec kLayout[] = {
    {M::kNameLabel, "STATIC", "程序名称：", 8, 10, 64, 20, kLabel},                          // 程序名称
    {M::kProjectCombo, "COMBOBOX", "", 75, 10, 380, 20 + kComboList,                         // 项目组合框
     CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {M::kProgramIcon, "STATIC", "", 459, 4, 32, 32, SS_ICON | SS_CENTERIMAGE},               // 程序图标
    {M::kSavePathLabel, "STATIC", "存档路径：", 8, 40, 64, 20, kLabel},                      // 标签1
    {M::kSavePathEdit, "EDIT", "", 75, 40, 380, 20, kEdit | ES_READONLY, 0, WS_EX_CLIENTEDGE},  // 存档路径编辑框
    {M::kSavePathButton, "BUTTON", "…", 464, 40, 25, 20, kButton},                           // 存档路径按钮
    {M::kProgramPathLabel, "STATIC", "程序路径：", 8, 70, 64, 20, kLabel},                   // 程序路径标签
    {M::kProgramPathEdit, "EDIT", "", 75, 70, 380, 20, kEdit, 0, WS_EX_CLIENTEDGE},          // 程序路径编辑框
    {M::kProgramPathButton, "BUTTON", "…", 464, 70, 25, 20, kButton},                        // 程序路径按钮
    {M::kBackupPathLabel, "STATIC", "备份路径：", 8, 102, 64, 20, kLabel},                   // 备份名称标签
    {M::kBackupPathEdit, "EDIT", "", 75, 102, 380, 20, kEdit, 0, WS_EX_CLIENTEDGE},          // 备份路径编辑框
    {M::kBackupPathButton, "BUTTON", "…", 464, 102, 25, 20, kButton},                        // 备份路径按钮
    {M::kBackupButton, "BUTTON", "备份存档", 16, 132, 72, 32, kButton,                       // 备份按钮
     ctl::kHandCursor | ctl::kDisabled},
    {M::kRestoreButton, "BUTTON", "恢复存档", 145, 132, 72, 32, kButton,                     // 恢复按钮
     ctl::kHandCursor | ctl::kDisabled},
    {M::kStartButton, "BUTTON", "启动程序", 274, 132, 72, 32, kButton,                       // 启动程序按钮 (宋体 9 pt)
     ctl::kHandCursor | ctl::kDisabled},
    {M::kConfigButton, "BUTTON", "配置", 404, 132, 72, 32, kButton, ctl::kHandCursor},        // 配置按钮
    {M::kProgressFileLabel, "STATIC", "正在操作的文件：", 0, 170, 96, 20, kLabel},           // 进度标签1
    {M::kProgressTextLabel, "STATIC", "", 100, 170, 340, 20, kLabel | SS_PATHELLIPSIS},      // 进度提示标签
    {M::kProgressCountLabel, "STATIC", "5/5", 32, 199, 20, 20, kLabel},                      // 进度数标签
    // Clipped so that its blank right end does not paint over the counter it overlaps.
    {M::kProgressLabel, "STATIC", "进度：", 0, 200, 48, 20, kLabel | WS_CLIPSIBLINGS},        // 进度标签
    {M::kProgressBar, PROGRESS_CLASSA, "", 55, 200, 425, 20, 0},                             // 进度条
    {M::kIconCanvas, "STATIC", "", 455, 165, 32, 32, SS_ICON, ctl::kHidden},                 // 临时画板
};
// clang-format on

constexpr int kClientWidth = 494, kClientHeight = 221;

}  // namespace

MainWindow::MainWindow() = default;

// The work ends before the window's parts go: a worker never outlives what it reports to.
MainWindow::~MainWindow() {
    if (work_) work_->control().stop();
}

bool MainWindow::create(MainContext context) {
    context_ = std::move(context);
    if (!context_.now_ms) context_.now_ms = [] { return static_cast<int64_t>(GetTickCount64()); };
    if (!Window::create("Varnoke", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 50, 50, 500,
                        260))
        return false;
    start_work_parts();
    create_controls(kLayout);
    progress_ = ProgressControls(hwnd(), kProgressBar, kProgressTextLabel, kProgressCountLabel);
    SendMessageA(item(kProgressBar), PBM_SETRANGE32, 0, 100);
    fit_client_area(kClientWidth, kClientHeight);
    load_main_list();
    add_undo_to_system_menu();
    DragAcceptFiles(hwnd(), TRUE);
    in_game_->attach();
    ShowWindow(hwnd(), SW_SHOW);
    return true;
}

void MainWindow::start_work_parts() {
    work_ = std::make_unique<WindowOperations>(hwnd(), files(), project_list(), [this] { work_settled(); });
    InGameContext game{hwnd(),           context_.folders, context_.machine_id, context_.save_config_path,
                       context_.special, context_.fs,      context_.notifier,   context_.now_ms};
    GameWindow& as_game_window = *this;
    in_game_ = std::make_unique<InGame>(std::move(game), as_game_window, operations());
}

void MainWindow::on_destroy() {
    close_history();
    if (IsWindow(restore_all_)) DestroyWindow(restore_all_);
    in_game_->detach();
    operations().stop();
}

void MainWindow::load_main_list() {
    HWND combo = item(kProjectCombo);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& name : load_project_names(files(), context_.save_config_path))
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

// The selected project is replaced wholesale on every selection.
void MainWindow::load_current_project() {
    project_ = load_project(project_list(), text(kProjectCombo), context_.folders, special());
    set_text(kSavePathEdit, project_.save_paths_text);
    set_text(kProgramPathEdit, project_.program_path);
    set_text(kBackupPathEdit, fs::shown(project_.backup_folder));
    set_text(kProgressTextLabel, "");
    show_path_trouble();
    set_text(kProgressCountLabel, "0/" + std::to_string(project_.save_paths.size()));
    update_enable_states();
    decorate_project();
    refresh_undo_item();
}

// A button is usable only while the edit box it needs holds text, and none that starts work while
// the user waits for work; 配置 would close the window, so it waits for every work to end.
void MainWindow::update_enable_states() {
    const bool attended = operations().attended_working();
    const bool has_saves = !text(kSavePathEdit).empty();
    enable(kSavePathButton, has_saves);
    enable(kRestoreButton, has_saves && !attended);
    enable(kStartButton, !text(kProgramPathEdit).empty() && !attended);
    enable(kBackupButton, !text(kBackupPathEdit).empty() && !attended);
    enable(kProjectCombo, !attended);
    enable(kConfigButton, !operations().working());
}

bool MainWindow::working() const { return operations().working(); }

void MainWindow::work_changed() {
    update_enable_states();
    refresh_undo_item();
}

void MainWindow::on_command(int id, int code) {
    switch (id) {
        case kProjectCombo:
            if (code == CBN_SELCHANGE) {
                load_current_project();
                offer_path_fix();
            }
            return;
        case kSavePathEdit:
        case kProgramPathEdit:
        case kBackupPathEdit:
            if (code == EN_CHANGE) update_enable_states();
            return;
    }
    if (code != BN_CLICKED) return;
    switch (id) {
        case kBackupButton: backup_current_project(); break;
        case kRestoreButton: restore_current_project(); break;
        case kStartButton: start_program(); break;
        case kProgramPathButton: open_program_folder(); break;
        case kBackupPathButton: open_backup_directory(); break;
        case kSavePathButton: open_save_path(); break;
        case kConfigButton: open_config(); break;  // may close and delete this window
    }
}

bool MainWindow::on_message(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    if (!in_game_) return false;  // still being made
    *result = 0;
    if (msg == WindowOperations::kMessage) {
        operations().deliver();
        return true;
    }
    if (in_game_->on_message(msg, wp, lp)) return true;
    // While work runs the window stays open and takes no new work.
    if (working() && (msg == WM_CLOSE || msg == WM_DROPFILES)) {
        if (msg == WM_DROPFILES) DragFinish(reinterpret_cast<HDROP>(wp));
        return true;
    }
    if (on_menu_message(msg, wp, lp)) return true;
    if (msg != WM_DROPFILES) return false;
    take_dropped_files(reinterpret_cast<HDROP>(wp));  // may close and delete this window
    return true;
}

bool MainWindow::on_menu_message(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITMENU && reinterpret_cast<HMENU>(wp) == GetSystemMenu(hwnd(), FALSE))
        refresh_undo_item();  // another run of the tool may have restored or undone meanwhile; then on as usual
    if (msg == WM_SYSCOMMAND && (wp & 0xFFF0) == kUndoCommand) {
        undo_last_restore();
        return true;
    }
    if (msg == WM_SYSCOMMAND && (wp & 0xFFF0) == kHistoryCommand) {
        open_history();
        return true;
    }
    if (msg == WM_SYSCOMMAND && (wp & 0xFFF0) == kRestoreAllCommand) {
        open_restore_all();
        return true;
    }
    if (msg == WM_CONTEXTMENU && reinterpret_cast<HWND>(wp) == item(kRestoreButton)) {
        show_restore_menu({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        return true;
    }
    return false;
}

void MainWindow::take_dropped_files(HDROP drop) {
    std::vector<std::string> names;
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        UINT n = DragQueryFileA(drop, i, nullptr, 0);
        std::string name(n + 1, '\0');
        name.resize(DragQueryFileA(drop, i, name.data(), n + 1));
        names.push_back(name);
    }
    DragFinish(drop);
    files_dropped(names);
}

void MainWindow::exit_from_tray() {
    if (!working()) close();
}

void MainWindow::stamp_operation_time() {
    if (!ListStamp(project_list()).stamp(text(kProjectCombo)))
        set_text(kProgressTextLabel, stamp_failure_text(text(kProjectCombo)));
}

void MainWindow::start_program() {
    // A program that did not start leaves nothing to wait for.
    if (!project_.program_file.empty() && prompt().shell_open(project_.program_file) &&
        project_.options.backup_on_exit)
        in_game_->wait_for_exit(project_);
    stamp_operation_time();  // also when the program did not start
}

void MainWindow::open_program_folder() {
    const std::string folder = gbk::up_to_last_backslash(project_.program_file);
    if (!folder.empty()) prompt().shell_open(folder);
}

// With the usual content this opens "存档目录", which holds the backup folders of all projects.
void MainWindow::open_backup_directory() {
    const std::string folder = gbk::up_to_last_backslash(text(kBackupPathEdit));
    if (!folder.empty()) prompt().shell_open(folder);
}

void MainWindow::open_save_path() {
    if (project_.save_paths.size() == 1) {
        if (!project_.save_paths.front().empty()) prompt().shell_open(fs::shown(project_.save_paths.front()));
        return;
    }
    // None or several: the window "存档路径查看" lists them.
    const std::string name = text(kProjectCombo);
    if (name.empty()) return;
    open_path_view_window(name, project_list().read(name, names::kSavePathKey), project_.program_path);
}

void MainWindow::open_config(const std::string& dropped_file) {
    if (context_.open_config && context_.open_config(dropped_file)) close();
}

void MainWindow::files_dropped(const std::vector<std::string>& names) {
    if (!names.empty()) open_config(names.front());
}
