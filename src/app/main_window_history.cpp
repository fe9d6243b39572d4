// The main window's way into 存档历史: one window for the selected project, and its restores run as
// 恢复按钮's do.
#include "app/main_window.h"
#include "config/project_name.h"
#include "ui/history_window.h"
#include "ui/prompt.h"

bool MainWindow::has_history() const { return is_valid_project_name(project().name); }

void MainWindow::open_history() {
    if (!has_history()) return;
    const std::string title = "存档历史 - " + project().name;
    if (IsWindow(history_)) {
        char open_title[512] = {};
        GetWindowTextA(history_, open_title, sizeof open_title);
        if (title == open_title) {
            ShowWindow(history_, SW_RESTORE);
            SetForegroundWindow(history_);
            return;
        }
        DestroyWindow(history_);  // another project's
    }
    HistoryContext context{&files(), context_.recycle_bin, project().excluded_folders, project().name,
                           project().backup_folder, project().save_paths, {}, {}, {},
                           backup::Exclusions::lenient(project().options.exclusions)};
    context.restore = [this, name = project().name](const std::string& archive) {
        return restore_from_history(name, archive);
    };
    if (project().options.sync && sync_configured(sync_setup_)) {
        context.list_server = [setup = sync_setup_, name = project().name, folder = project().backup_folder] {
            return list_server_sets(setup, name, folder);
        };
        context.fetch = [setup = sync_setup_, name = project().name, folder = project().backup_folder](
                            const syncing::RemoteSet& set, std::string* problem) {
            return fetch_server_set(setup, name, folder, set, problem);
        };
    }
    history_ = open_history_window(std::move(context));
}

// The main window turns to a project by name, as if the user had picked it; false when the list
// no longer holds it.
bool MainWindow::turn_to_project(const std::string& project_name) {
    if (project().name == project_name) return true;
    HWND combo = item(kProjectCombo);
    const LRESULT i = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(project_name.c_str()));
    if (i == CB_ERR) return false;
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    load_current_project();
    return true;
}

// The history window belongs to one project: the main window turns to it before restoring, unless
// the user waits for other work, which the selection is locked for.
bool MainWindow::restore_from_history(const std::string& project_name, const std::string& first_archive) {
    if (operations().attended_working()) {
        show_message(busy_text(project().name));
        return false;
    }
    history_restoring_ = turn_to_project(project_name) && restore_archive(first_archive);
    return history_restoring_;
}

// From the tray: the history of the project being played.
void MainWindow::open_history_of(const std::string& project_name) {
    if (turn_to_project(project_name)) open_history();
}

void MainWindow::close_history() {
    if (IsWindow(history_)) DestroyWindow(history_);
}
