// The main window's sync: sets written whole go up on the sync worker, never on this thread; what
// it did is told as unattended work is, in a notification and the log.

#include "app/main_window.h"
#include "app/sync_machine.h"
#include "backup/processes.h"
#include "paths/gbk_text.h"
#include "run/run_log.h"
#include "ui/prompt.h"

void MainWindow::start_sync_parts() {
    sync_setup_ = platform_sync_setup(files(), context_.folders.tool_dir, context_.machine_id);
    HWND window = hwnd();
    sync_ = std::make_unique<SyncWorker>(
        sync_setup_,
        SyncWorker::Host{[window] { PostMessageA(window, kSyncMessage, 0, 0); },
                         [](bool on) {
                             SetThreadPriority(GetCurrentThread(),
                                               on ? THREAD_MODE_BACKGROUND_BEGIN : THREAD_MODE_BACKGROUND_END);
                         }});
}

// On the operation's worker: the record is written there, the upload queued for the sync worker.
void MainWindow::backed_up(const backup::ProjectState& project, const BackupJobResult& result) {
    const ProjectOptions options = read_project_options(project_list(), project.name);
    if (note_written_set(sync_setup_, options, project.name, result.outcome)) sync_->request(project_list(), "");
}

void MainWindow::sync_now() { sync_->request(project_list(), "", true); }

void MainWindow::sync_finished() {
    for (const SyncWorker::Finished& f : sync_->take_finished()) {
        const SyncReport& r = f.report;
        if (r.log_lines.empty()) {
            if (f.asked) in_game_->tell({"没有待上传的备份", {"同步：没有待上传的备份"}});
            continue;
        }
        // An upload that went as it should is no news during a game: the log has it. A failure,
        // or the answer to 立即同步, is told.
        const bool failed = r.failed > 0 || r.refused;
        in_game_->tell({r.summary, r.log_lines, failed, !failed && !f.asked});
    }
    in_game_->refresh_tray();
}

namespace {

// What a worker found on the server, for the window thread.
struct ServerAnswer {
    std::string project;
    NewerElsewhere found;
    std::optional<std::string> first_archive;  // a set fetched
    std::string problem;
};

void log_line(fs::FileSystem& files, const ToolFolders& tool, const std::string& line) {
    append_run_log(files, tool.config_dir(), {line});
}

}  // namespace

// Only with the game not running yet: a question must never come up over it. False: start now.
bool MainWindow::check_server_before_start() {
    if (!project_.options.sync || project_.program_file.empty() || !sync_configured(sync_setup_) ||
        backup::is_program_running(gbk::after_last_backslash(project_.program_file)))
        return false;
    set_text(kProgressTextLabel, "正在查看服务器上的备份…");
    enable(kStartButton, false);
    SyncSetup quick = platform_sync_setup(files(), context_.folders.tool_dir, context_.machine_id, true);
    post_from_worker<ServerAnswer>(hwnd(), kServerCheckedMessage,
                                   [quick, name = project_.name, folder = project_.backup_folder] {
                                       return ServerAnswer{name, newer_on_server(quick, name, folder),
                                                           std::nullopt, ""};
                                   });
    return true;
}

void MainWindow::server_answered(UINT msg, LPARAM lp) {
    const std::unique_ptr<ServerAnswer> answer(reinterpret_cast<ServerAnswer*>(lp));
    update_enable_states();
    set_text(kProgressTextLabel, "");
    if (!same_project(answer->project, project_.name)) return;  // the user turned to another project meanwhile
    if (msg == kServerCheckedMessage)
        server_checked(answer->project, answer->found);
    else
        server_fetched(answer->project, answer->first_archive, answer->problem);
}

// Offline, the game starts as it would have, and the log says why nothing was asked.
void MainWindow::server_checked(const std::string& project, const NewerElsewhere& found) {
    if (!found.problem.empty())
        log_line(files(), context_.folders, project + "：启动前无法查看服务器（" + found.problem + "），照常启动");
    if (!found.newer ||
        show_message(newer_question(found), mb::kYesNo | mb::kIconQuestion) != mb::kIdYes) {
        launch_program();
        return;
    }
    set_text(kProgressTextLabel, "正在从服务器下载 " + found.newer->stem + " …");
    enable(kStartButton, false);
    post_from_worker<ServerAnswer>(hwnd(), kServerFetchedMessage,
                  [setup = sync_setup_, project, folder = project_.backup_folder, set = found.newer->remote] {
                      ServerAnswer a{project, {}, std::nullopt, ""};
                      a.first_archive = fetch_server_set(setup, project, folder, set, &a.problem);
                      return a;
                  });
}

// The fetched set is restored as any set is (safety copy, undo); the game starts after it.
void MainWindow::server_fetched(const std::string& project, const std::optional<std::string>& first,
                                const std::string& problem) {
    if (!first) {
        show_message("无法从服务器取回这个备份：" + problem + "\r\n程序将照常启动。", mb::kIconExclamation);
        launch_program();
        return;
    }
    start_after_restore_ = project;
    if (!restore_from([first](const std::string&) { return first; }, false)) {
        start_after_restore_.clear();
        launch_program();
    }
}
