#pragma once
// The main window "Varnoke": the user picks a project, sees its paths, backs it up, restores it or
// starts its program. Each opening rebuilds everything from the configuration files.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backup/backup_info.h"
#include "backup/operations.h"
#include "backup/outcome_text.h"
#include "config/tool_folders.h"
#include "paths/expand.h"
#include "run/backup_job.h"
#include "run/notifier.h"
#include "run/program_waits.h"
#include "run/project_loading.h"
#include "ui/window.h"

// What the main window works on, given when it opens.
struct MainContext {
    fs::FileSystem* fs = nullptr;       // every file the window reads or writes
    ToolFolders folders;
    std::string save_config_path;       // the project list in use; empty until one is chosen
    const Folders* special = nullptr;   // expands the tokens of stored paths
    // "配置" in place of the main window, prefilled from a dropped file ("" for none); false when
    // it could not open.
    std::function<bool(const std::string& dropped_file)> open_config;
    std::string machine_id;         // whose quick keys, in 系统配置文件.ini
    Notifier* notifier = nullptr;   // what runs by itself tells here; nullptr: the tray and the log
};

struct InGame;

class MainWindow : public Window {
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
    static constexpr UINT_PTR kWaitTimer = 1;  // looks for the programs waited for
    static constexpr UINT_PTR kInGameTimer = 2;  // timed backups: looks at the programs every few seconds
    enum HotKeyId : int { kQuickBackupKey = 1, kQuickRestoreKey = 2 };
    static constexpr UINT kTrayMessage = WM_APP + 1;
    enum TrayCommand : UINT { kTrayBackup = 0x100, kTrayRestore, kTrayHistory, kTrayShow, kTrayStop, kTrayExit };

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
    void backup_current_project(const char* kind = backup_kind::kManual);
    void restore_current_project();
    void undo_last_restore();
    bool can_undo() const;
    static constexpr UINT kUndoCommand = 0x0010;  // in the system menu: below 0xF000, low four bits clear
    // 存档历史 (system menu and 恢复按钮's own menu): the selected project's, or the open one brought forward.
    static constexpr UINT kHistoryCommand = 0x0020;
    void open_history();
    bool has_history() const;
    // Restores this archive exactly as 恢复按钮 does with the archive chosen in its dialog.
    void restore_archive(const std::string& first_archive);
    // Draws the project's image.ico in 程序图标, or clears it when there is none.
    void show_project_icon();
    // Projects started by 启动程序 that back up once their program has ended, by name.
    std::vector<std::string> waiting_projects() const;

    // main_window_ingame.cpp: while the game runs. Results go to the notifier, never to a box.
    void quick_backup();
    void quick_restore();  // restores on the second press within 5 s
    void tray_command(UINT command);
    // Projects watched now: waited for, or with timed backups and their program running.
    std::vector<std::string> watched_projects() const;

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
    ProjectState operation_state() const;
    void add_undo_to_system_menu();
    void refresh_undo_item();
    void show_restore_menu(POINT at);
    void restore_from(const std::function<std::optional<std::string>(const ProjectState&)>& choose);
    void restore_from_history(const std::string& project_name, const std::string& first_archive);
    void close_history();
    bool turn_to_project(const std::string& project_name);
    void open_history_of(const std::string& project_name);
    std::optional<std::string> choose_archive(const std::string& backup_folder);
    // Runs a backup or restore with the buttons locked; the window keeps painting meanwhile, and
    // what happened is told before the buttons come back. 操作时间 is stamped in every case: by
    // the work when it returns whether it did (a backup job), else afterwards.
    struct Told {
        std::vector<Notice> notices;
        std::optional<bool> stamped;
    };
    void run_locked(const std::function<Told(BackupRunner&)>& work);
    void show_stamp_failure();
    // main_window_wait.cpp: the window waits on a timer, usable meanwhile, until no process of the
    // program's name is left (a launcher may have handed over to another), then backs the project
    // up as 备份存档 does. Closing the window ends the wait.
    void wait_for_exit(const CurrentProject& project);
    void check_waiting_programs();
    void back_up_after_exit(const std::string& project_name);
    void start_in_game();
    bool on_in_game_message(UINT msg, WPARAM wp, LPARAM lp);
    void in_game_tick();
    void reload_timed_projects();
    void refresh_tray();
    void stop_watching();
    void show_from_tray();
    std::string played_project() const;
    Notifier& notifier();
    // A backup nobody waits for at the window: told through the notifier.
    void run_unattended_backup(const std::string& name, const char* what, BackupJob (*job)(const ProjectOptions&));
    void restore_newest(const std::string& name);
    void restore_set(const std::string& name, const CurrentProject& project, const std::string& first_archive);
    std::string newest_set_of(const std::string& name, CurrentProject* project);
    const Folders& special() const { return *context_.special; }
    fs::FileSystem& files() const { return *context_.fs; }
    ProjectFiles project_list() const {
        return ProjectFiles{files(), context_.save_config_path, context_.folders.backup_root()};
    }

    MainContext context_;
    bool busy_ = false;
    std::string last_restore_file_;  // the restore dialog keeps its last choice
    CurrentProject project_;
    ProgramWaits waits_;
    HWND history_ = nullptr;  // the open 存档历史, closed with this window
    std::unique_ptr<InGame> in_game_;
};
