#pragma once
// The main window "Varnoke": the user picks a project, sees its paths, backs it up, restores it or
// starts its program. Each opening rebuilds everything from the configuration files.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/in_game.h"
#include "app/progress_controls.h"
#include "app/window_operations.h"
#include "backup/backup_info.h"
#include "config/tool_folders.h"
#include "paths/expand.h"
#include "paths/path_fixes.h"
#include "run/notifier.h"
#include "run/operation_control.h"
#include "run/project_loading.h"
#include "ui/window.h"

// What the main window works on, given when it opens.
struct MainContext {
    fs::FileSystem* fs = nullptr;       // every file the window reads or writes
    fs::RecycleBin* recycle_bin = nullptr;  // where 存档历史 deletes sets to
    ToolFolders folders;
    std::string save_config_path;       // the project list in use; empty until one is chosen
    const Folders* special = nullptr;   // expands the tokens of stored paths
    // "配置" in place of the main window, prefilled from a dropped file ("" for none); false when
    // it could not open.
    std::function<bool(const std::string& dropped_file)> open_config;
    std::string machine_id;         // whose quick keys, in 系统配置文件.ini
    Notifier* notifier = nullptr;   // what runs by itself tells here; nullptr: the tray and the log
    std::function<int64_t()> now_ms;  // a steady clock for the in-game part; empty: the system's
};

class MainWindow : public Window, private GameWindow {
   public:
    // Control ids; the layout table in main_window.cpp gives each its Chinese name.
    enum Control : int {
        kNameLabel = 100,
        kProjectCombo,
        kProgramIcon,
        kSavePathLabel,
        kSavePathEdit,
        kSavePathButton,
        kProgramPathLabel,
        kProgramPathEdit,
        kProgramPathButton,
        kBackupPathLabel,
        kBackupPathEdit,
        kBackupPathButton,
        kBackupButton,
        kRestoreButton,
        kStartButton,
        kConfigButton,
        kProgressFileLabel,
        kProgressTextLabel,
        kProgressCountLabel,
        kProgressLabel,
        kProgressBar,
        kIconCanvas,
    };

    MainWindow();
    ~MainWindow() override;

    // Builds and shows the window, lists the projects (none selected) and accepts dropped files.
    bool create(MainContext context);
    // For a window made with new: it is deleted when it closes.
    void delete_when_closed() { delete_on_destroy(); }

    const CurrentProject& project() const { return project_; }

    // Selection of 项目组合框: reads, expands and shows the project named by the combo box.
    void load_current_project();
    // Files dropped on the window, in the order the shell lists them.
    void files_dropped(const std::vector<std::string>& names);
    // Writes now as "操作时间" of the selected project; a failed write is told in the progress line.
    void stamp_operation_time();

    // 备份按钮 and 恢复按钮, and the undo of the last restore (system menu and 恢复按钮's own menu).
    // Each starts its work and returns; the buttons stay locked until the user has been told.
    void backup_current_project(const char* kind = backup::backup_kind::kManual);
    void restore_current_project();
    void undo_last_restore();
    bool can_undo() const;
    static constexpr UINT kUndoCommand = 0x0010;  // in the system menu: below 0xF000, low four bits clear
    // 存档历史 (system menu and 恢复按钮's own menu): the selected project's, or the open one brought forward.
    static constexpr UINT kHistoryCommand = 0x0020;
    void open_history();
    bool has_history() const;
    // 全部恢复 (system menu beside 存档历史, and the tray menu): the one window, brought forward when open.
    static constexpr UINT kRestoreAllCommand = 0x0030;
    void open_restore_all() override;
    // Restores this archive exactly as 恢复按钮 does with the archive chosen in its dialog; false
    // when it could not start.
    bool restore_archive(const std::string& first_archive);
    // Draws the project's image.ico in 程序图标, or clears it when there is none.
    void show_project_icon();
    // Backups, restores or undos running now, attended or not.
    bool working() const;
    // Projects started by 启动程序 that back up once their program has ended, by name.
    std::vector<std::string> waiting_projects() const { return in_game_->waiting_projects(); }
    // Projects watched now: waited for, or with timed backups and their program running.
    std::vector<std::string> watched_projects() const { return in_game_->watched_projects(); }

   protected:
    void on_command(int id, int code) override;
    bool on_message(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    void on_destroy() override;

   private:
    void load_main_list();
    void update_enable_states();
    void decorate_project();
    void start_program();
    void open_program_folder();
    void open_backup_directory();
    void open_save_path();
    void open_config(const std::string& dropped_file = "");
    bool on_menu_message(UINT msg, WPARAM wp, LPARAM lp);
    void take_dropped_files(HDROP drop);
    void start_work_parts();
    OperationControl& operations() const { return work_->control(); }
    backup::ProjectState operation_state() const;
    void add_undo_to_system_menu();
    void refresh_undo_item();
    void show_restore_menu(POINT at);
    bool restore_from(std::function<std::optional<std::string>(const std::string& backup_folder)> choose);
    bool start_attended(Operation operation);
    void finish_attended(const Operation& operation, const BackupJobResult& result);
    void work_settled();
    bool restore_from_history(const std::string& project_name, const std::string& first_archive);
    void close_history();
    // A save or program path of another user's profile or of a missing drive: said under the
    // buttons, and its fix offered once when the user picks the project.
    void show_path_trouble();
    void offer_path_fix();
    bool keep_path_fix(const PathFix& fix);
    bool turn_to_project(const std::string& project_name);
    std::optional<std::string> ask_for_archive(const std::string& backup_folder);
    const Folders& special() const { return *context_.special; }
    fs::FileSystem& files() const { return *context_.fs; }
    ProjectFiles project_list() const {
        return ProjectFiles{files(), context_.save_config_path, context_.folders.backup_root()};
    }

    // What the in-game part needs of this window.
    std::string selected_project() const override { return text(kProjectCombo); }
    void show_line(const std::string& line) override { set_text(kProgressTextLabel, line); }
    void open_history_of(const std::string& project_name) override;
    void exit_from_tray() override;
    void work_changed() override;

    MainContext context_;
    ProgressControls progress_;  // of the work the user waits for
    std::string last_restore_file_;  // the restore dialog keeps its last choice
    CurrentProject project_;
    HWND history_ = nullptr;  // the open 存档历史, closed with this window
    HWND restore_all_ = nullptr;  // the open 全部恢复, closed with this window
    std::vector<std::string> fixes_offered_;  // folders whose fix was offered in this session
    bool history_restoring_ = false;  // it waits for the end of the restore it asked for
    std::unique_ptr<WindowOperations> work_;
    std::unique_ptr<InGame> in_game_;
};
