#pragma once
// While the game runs: the programs watched for timed backups and for their end, the quick keys,
// the tray icon, and the backups and restores these start. Nobody waits for that work at the
// window, so it is told in a notification and the log, never in a box that would pull a
// full-screen game out of focus.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/tray_icon.h"
#include "config/tool_folders.h"
#include "paths/expand.h"
#include "run/notifier.h"
#include "run/operation_control.h"
#include "run/program_waits.h"
#include "run/project_loading.h"
#include "run/quick_keys.h"
#include "run/timed_backups.h"

// What the in-game part needs of the main window it lives in.
class GameWindow {
   public:
    virtual ~GameWindow() = default;
    virtual std::string selected_project() const = 0;
    virtual void show_line(const std::string& text) = 0;  // the progress line under the buttons
    virtual void open_history_of(const std::string& project) = 0;
    virtual void open_restore_all() = 0;
    virtual void exit_from_tray() = 0;  // closes the window unless work runs
    virtual void work_changed() = 0;    // unattended work started or ended
};

struct InGameContext {
    HWND window = nullptr;  // owns the keys, the timers and the tray icon
    ToolFolders folders;
    std::string machine_id;        // whose quick keys
    std::string save_config_path;  // the project list
    const Folders* special = nullptr;
    fs::FileSystem* fs = nullptr;
    Notifier* notifier = nullptr;     // nullptr: the tray and the log
    std::function<int64_t()> now_ms;  // a steady clock
};

class TrayNotifier;

class InGame {
   public:
    InGame(InGameContext context, GameWindow& window, OperationControl& operations);
    ~InGame();

    // Takes the quick keys and starts looking at the programs.
    void attach();
    // For the window's end: the keys, timers and tray icon go.
    void detach();
    // Hot keys, timers, the tray icon's clicks, minimising to the tray; true when handled.
    bool on_message(UINT msg, WPARAM wp, LPARAM lp);

    // 启动程序 of a project with "退出后自动备份": the window waits on a timer, usable meanwhile,
    // until no process of the program's name is left, then backs the project up.
    void wait_for_exit(const CurrentProject& project);
    std::vector<std::string> waiting_projects() const { return waits_.projects(); }
    // Projects watched now: waited for, or with timed backups and their program running.
    std::vector<std::string> watched_projects() const;

    void quick_backup();
    void quick_restore();  // restores on the second press within 5 s
    void tray_command(UINT command);

    static constexpr UINT kTrayMessage = WM_APP + 1;
    static constexpr UINT_PTR kWaitTimer = 1;    // looks for the programs waited for
    static constexpr UINT_PTR kInGameTimer = 2;  // timed backups: looks at the programs every few seconds
    enum TrayCommand : UINT { kTrayBackup = 0x100, kTrayRestore, kTrayHistory, kTrayShow, kTrayStop, kTrayExit, kTrayRestoreAll };

   private:
    void take_quick_keys();
    void show_tray_menu();
    void show_from_tray();
    void check_waiting_programs();
    void tick();
    void reload_timed_projects();
    void refresh_tray();
    void stop_watching();
    std::string played_project() const;
    Notifier& notifier();
    ProjectFiles project_list() const;
    CurrentProject load(const std::string& name) const;
    void back_up(const std::string& name, const char* what, BackupJob (*job)(const ProjectOptions&));
    void restore_newest(const std::string& name);
    void restore_set(const CurrentProject& project, const std::string& first_archive);
    std::string newest_set_of(const CurrentProject& project);
    bool start_work(Operation operation, bool quiet_when_busy);
    void finish_work(const Operation& operation, const BackupJobResult& result);

    InGameContext context_;
    GameWindow& window_;
    OperationControl& operations_;
    TrayIcon tray_;
    std::unique_ptr<TrayNotifier> tray_notifier_;
    TimedBackups timed_;
    ProgramWaits waits_;
    DoublePress restore_press_;
    std::vector<std::string> stopped_;  // watching stopped by the user until their program ends
    int64_t reloaded_at_ = 0;
};
