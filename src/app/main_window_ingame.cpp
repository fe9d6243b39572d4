// While the game runs: timed backups, the quick keys, the tray icon, and results told without a
// box that would pull a full-screen game out of focus.
#include <windows.h>

#include <algorithm>

#include "app/main_window.h"
#include "app/tray_icon.h"
#include "backup/processes.h"
#include "config/machine_list.h"
#include "config/names.h"
#include "config/project_list.h"
#include "paths/gbk_text.h"
#include "run/quick_keys.h"
#include "run/run_log.h"
#include "run/save_changes.h"
#include "run/timed_backups.h"

namespace {

constexpr DWORD kReloadMs = 60 * 1000;  // the list may change in another run of the tool meanwhile

std::string first_line(const std::string& text) {
    const size_t end = text.find('\r');
    return end == std::string::npos ? text : text.substr(0, end);
}

int64_t now_ms() { return static_cast<int64_t>(GetTickCount64()); }

}  // namespace

// What the tray and the log are told. A failure stays in the tooltip and the progress line until
// the user looks at the window.
class TrayNotifier : public Notifier {
   public:
    TrayNotifier(MainWindow& w, TrayIcon& tray, fs::FileSystem& fs, std::string config_dir)
        : w_(w), tray_(tray), fs_(fs), config_dir_(std::move(config_dir)) {}
    void notify(const Note& note) override {
        append_run_log(fs_, config_dir_, note.log_lines);
        if (!note.quiet) tray_.balloon(note.text, note.failure);
        if (!note.failure) return;
        failure_ = first_line(note.text);
        w_.set_text(MainWindow::kProgressTextLabel, failure_);
    }
    const std::string& failure() const { return failure_; }
    void looked() { failure_.clear(); }

   private:
    MainWindow& w_;
    TrayIcon& tray_;
    fs::FileSystem& fs_;
    std::string config_dir_;
    std::string failure_;
};

struct InGame {
    InGame(MainWindow& w, fs::FileSystem& fs, const std::string& config_dir) : notifier(w, tray, fs, config_dir) {}
    TimedBackups timed;
    DoublePress restore_press;
    TrayIcon tray;
    TrayNotifier notifier;
    std::vector<std::string> stopped;  // watching stopped by the user until their program ends
    DWORD reloaded_at = 0;
};

MainWindow::MainWindow() = default;
MainWindow::~MainWindow() = default;

void MainWindow::start_in_game() {
    in_game_ = std::make_unique<InGame>(*this, files(), context_.folders.config_dir());
    in_game_->tray.attach(hwnd(), kTrayMessage);
    const auto key = [this](const char* section, const HotKey& fallback) {
        return stored_hotkey(read_machine_setting(files(), context_.folders, section, context_.machine_id), fallback);
    };
    const HotKey backup = key(names::kQuickBackupKeySection, kDefaultQuickBackupKey);
    const HotKey restore = key(names::kQuickRestoreKeySection, kDefaultQuickRestoreKey);
    // A key another program holds stays with it; the tray and the log say so, as page 设置 does.
    std::vector<std::string> held;
    const auto take = [&](int id, const HotKey& k, const char* what) {
        if (!RegisterHotKey(hwnd(), id, k.modifiers | MOD_NOREPEAT, k.key)) held.push_back(named_key(what, k));
    };
    take(kQuickBackupKey, backup, "快速备份");
    take(kQuickRestoreKey, restore, "快速恢复");
    const std::string told = held_keys_text(held);
    if (!told.empty()) notifier().notify({told, {told}});
    reload_timed_projects();
    SetTimer(hwnd(), kInGameTimer, kTimedLookSeconds * 1000, nullptr);
}

void MainWindow::on_destroy() {
    close_history();
    UnregisterHotKey(hwnd(), kQuickBackupKey);
    UnregisterHotKey(hwnd(), kQuickRestoreKey);
    KillTimer(hwnd(), kInGameTimer);
    if (in_game_) in_game_->tray.hide();
}

Notifier& MainWindow::notifier() { return context_.notifier ? *context_.notifier : in_game_->notifier; }

bool MainWindow::on_in_game_message(UINT msg, WPARAM wp, LPARAM lp) {
    if (!in_game_) return false;
    switch (msg) {
        case WM_HOTKEY:
            if (wp == kQuickBackupKey) quick_backup();
            if (wp == kQuickRestoreKey) quick_restore();
            return wp == kQuickBackupKey || wp == kQuickRestoreKey;
        case WM_TIMER:
            if (wp != kInGameTimer) return false;
            in_game_tick();
            return true;
        case kTrayMessage:
            if (lp == WM_LBUTTONUP || lp == WM_LBUTTONDBLCLK) show_from_tray();
            if (lp == WM_RBUTTONUP || lp == WM_CONTEXTMENU) {
                const std::vector<TrayMenuItem> items = {
                    {kTrayBackup, "立即备份"},  {kTrayRestore, "恢复最新备份"}, {kTrayHistory, "存档历史"},
                    {kTrayShow, "显示主窗口"}, {kTrayStop, "停止监视"},       {0, nullptr},
                    {kTrayExit, "退出"}};
                tray_command(track_tray_menu(hwnd(), items));
            }
            return true;
        case WM_SYSCOMMAND:
            // Minimised while watching, the window leaves the taskbar for the tray.
            if ((wp & 0xFFF0) != SC_MINIMIZE || watched_projects().empty()) return false;
            refresh_tray();
            ShowWindow(hwnd(), SW_HIDE);
            return true;
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE && IsWindowVisible(hwnd())) in_game_->notifier.looked();
            return false;
    }
    return false;
}

void MainWindow::tray_command(UINT command) {
    const std::string project = played_project();
    switch (command) {
        case kTrayBackup: run_unattended_backup(project, "快速备份", quick_job); break;
        case kTrayRestore: restore_newest(project); break;
        case kTrayHistory:
            show_from_tray();
            open_history_of(project);
            break;
        case kTrayShow: show_from_tray(); break;
        case kTrayStop: stop_watching(); break;
        case kTrayExit: close(); break;
    }
}

void MainWindow::show_from_tray() {
    ShowWindow(hwnd(), IsIconic(hwnd()) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(hwnd());
    in_game_->notifier.looked();
    refresh_tray();
}

std::vector<std::string> MainWindow::watched_projects() const {
    std::vector<std::string> names = waits_.projects();
    if (!in_game_) return names;
    for (const std::string& n : in_game_->timed.watched())
        if (!contains_project(names, n) && !contains_project(in_game_->stopped, n)) names.push_back(n);
    return names;
}

// The project whose program runs, else the one selected.
std::string MainWindow::played_project() const {
    const std::vector<std::string> watched = watched_projects();
    return watched.empty() ? text(kProjectCombo) : watched.front();
}

void MainWindow::reload_timed_projects() {
    in_game_->reloaded_at = GetTickCount();
    std::vector<TimedProject> timed;
    const ProjectFiles list = project_list();
    for (const std::string& name : load_project_names(files(), context_.save_config_path)) {
        const int minutes = read_project_options(list, name).timed_minutes;
        if (minutes <= 0) continue;
        const CurrentProject p = load_project(list, name, context_.folders, special());
        timed.push_back({name, gbk::after_last_backslash(p.program_file), minutes});
    }
    in_game_->timed.set_projects(timed);
}

void MainWindow::in_game_tick() {
    // A backup, a message box or a modal window is in progress: the next tick will do.
    if (busy_ || !IsWindowEnabled(hwnd())) return;
    if (GetTickCount() - in_game_->reloaded_at >= kReloadMs) reload_timed_projects();
    const int64_t now = now_ms() / 1000;
    std::vector<std::string> due = in_game_->timed.tick(now, is_program_running);
    std::vector<std::string>& stopped = in_game_->stopped;
    const std::vector<std::string> running = in_game_->timed.watched();
    stopped.erase(std::remove_if(stopped.begin(), stopped.end(),
                                 [&](const std::string& n) { return !contains_project(running, n); }),
                  stopped.end());
    for (const std::string& name : due)
        if (!contains_project(stopped, name)) {
            run_unattended_backup(name, "定时备份", timed_job);
            break;  // one per tick: the next is due again at the next one
        }
    refresh_tray();
}

void MainWindow::refresh_tray() {
    const std::vector<std::string> watched = watched_projects();
    TrayIcon& tray = in_game_->tray;
    const std::string& failure = in_game_->notifier.failure();
    if (watched.empty() && failure.empty()) {
        tray.hide();
        // Hidden to the tray, the window must not vanish with the icon.
        if (!IsWindowVisible(hwnd())) ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
        return;
    }
    std::string tip = "Varnoke";
    for (const std::string& n : watched) tip += (tip == "Varnoke" ? "：监视 " : "、") + n;
    if (!failure.empty()) tip = failure;
    tray.set_tip(tip);
    tray.show();
}

void MainWindow::stop_watching() {
    for (const std::string& n : in_game_->timed.watched())
        if (!contains_project(in_game_->stopped, n)) in_game_->stopped.push_back(n);
    waits_ = ProgramWaits{};
    KillTimer(hwnd(), kWaitTimer);
    set_text(kProgressTextLabel, "");
    refresh_tray();
}

void MainWindow::run_unattended_backup(const std::string& name, const char* what,
                                       BackupJob (*job)(const ProjectOptions&)) {
    if (busy_ || name.empty()) return;
    busy_ = true;
    const CurrentProject p = load_project(project_list(), name, context_.folders, special());
    NoProgress progress;
    BackupRunner runner(platform_backup_machine(files()), progress);
    ListStamp stamp(project_list());
    const BackupJob asked = job(p.options);
    const BackupJobResult result = run_backup_job(runner, files(), stamp,
                                                  project_state(p, p.program_path, special()), asked);
    busy_ = false;
    notifier().notify(backup_note(name, what, result, asked.kind == backup_kind::kTimed));
    if (!result.unchanged && same_project(name, text(kProjectCombo)))
        set_text(kProgressTextLabel, result.outcome.first_done.empty() ? text(kProgressTextLabel)
                                                                        : fs::shown(result.outcome.first_done) + " 备份完成");
    refresh_undo_item();
}

void MainWindow::quick_backup() { run_unattended_backup(played_project(), "快速备份", quick_job); }

// The project and the first archive of its newest set; "" after telling the user there is none.
std::string MainWindow::newest_set_of(const std::string& name, CurrentProject* project) {
    *project = load_project(project_list(), name, context_.folders, special());
    const std::string newest = newest_set(files(), project->backup_folder);
    if (newest.empty()) notifier().notify(nothing_to_restore_note(name));
    return newest;
}

void MainWindow::quick_restore() {
    const std::string name = played_project();
    if (busy_ || name.empty()) return;
    CurrentProject p;
    const std::string newest = newest_set_of(name, &p);
    if (newest.empty()) return;
    if (!in_game_->restore_press.press(now_ms())) {
        const std::string key = set_key(newest);
        notifier().notify(quick_restore_armed_note(name, key.substr(0, key.size() - 4)));  // less ".zip"
        return;
    }
    restore_set(name, p, newest);
}

void MainWindow::restore_newest(const std::string& name) {
    if (busy_ || name.empty()) return;
    CurrentProject p;
    const std::string newest = newest_set_of(name, &p);
    if (!newest.empty()) restore_set(name, p, newest);
}

// All or nothing after a safety copy, undoable with 撤销上次恢复; asked nothing, since the user asked
// for it while playing.
void MainWindow::restore_set(const std::string& name, const CurrentProject& p, const std::string& first_archive) {
    busy_ = true;
    NoProgress progress;
    BackupRunner runner(platform_backup_machine(files()), progress);
    ProjectState state = project_state(p, p.program_path, special());
    state.program_file.clear();  // may run while the program runs
    RestoreQuestions ask;
    ask.choose_archive = [&] { return std::optional<std::string>(first_archive); };
    ask.confirm_overwrite = [] { return true; };
    const Outcome outcome = runner.restore(state, ask);
    busy_ = false;
    notifier().notify(quick_restore_note(name, outcome));
    refresh_undo_item();
}
