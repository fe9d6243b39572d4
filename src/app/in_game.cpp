#include "app/in_game.h"

#include <algorithm>

#include "backup/processes.h"
#include "backup/sets.h"
#include "config/project_list.h"
#include "paths/gbk_text.h"
#include "run/run_log.h"
#include "run/save_changes.h"

namespace {

constexpr int64_t kReloadMs = 60 * 1000;  // the list may change in another run of the tool meanwhile

std::string first_line(const std::string& text) {
    const size_t end = text.find('\r');
    return end == std::string::npos ? text : text.substr(0, end);
}

}  // namespace

// What the tray and the log are told. A failure stays in the tooltip and the progress line until
// the user looks at the window.
class TrayNotifier : public Notifier {
   public:
    TrayNotifier(GameWindow& w, TrayIcon& tray, fs::FileSystem& files, std::string config_dir)
        : w_(w), tray_(tray), files_(files), config_dir_(std::move(config_dir)) {}
    void notify(const Note& note) override {
        append_run_log(files_, config_dir_, note.log_lines);
        if (!note.quiet) tray_.balloon(note.text, note.failure);
        if (!note.failure) return;
        failure_ = first_line(note.text);
        w_.show_line(failure_);
    }
    const std::string& failure() const { return failure_; }
    void looked() { failure_.clear(); }

   private:
    GameWindow& w_;
    TrayIcon& tray_;
    fs::FileSystem& files_;
    std::string config_dir_;
    std::string failure_;
};

InGame::InGame(InGameContext context, GameWindow& window, OperationControl& operations)
    : context_(std::move(context)),
      window_(window),
      operations_(operations),
      tray_notifier_(std::make_unique<TrayNotifier>(window, tray_, *context_.fs, context_.folders.config_dir())) {}

InGame::~InGame() = default;

void InGame::attach() {
    tray_.attach(context_.window, kTrayMessage);
    take_quick_keys();
    reload_timed_projects();
    SetTimer(context_.window, kInGameTimer, kTimedLookSeconds * 1000, nullptr);
}

// A key another program holds stays with it; the tray and the log say so, as page 设置 does.
void InGame::take_quick_keys() {
    std::vector<std::string> held;
    for (QuickAction action : {kQuickBackup, kQuickRestore}) {
        const HotKey k = stored_quick_key(*context_.fs, context_.folders, context_.machine_id, action);
        if (!RegisterHotKey(context_.window, action + 1, k.modifiers | MOD_NOREPEAT, k.key))
            held.push_back(named_key(kQuickKeys[action].what, k));
    }
    const std::string told = held_keys_text(held);
    if (!told.empty()) notifier().notify({told, {told}});
}

void InGame::detach() {
    for (QuickAction action : {kQuickBackup, kQuickRestore}) UnregisterHotKey(context_.window, action + 1);
    KillTimer(context_.window, kInGameTimer);
    KillTimer(context_.window, kWaitTimer);
    tray_.hide();
}

Notifier& InGame::notifier() { return context_.notifier ? *context_.notifier : *tray_notifier_; }

bool InGame::on_message(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_HOTKEY:
            if (wp == kQuickBackup + 1) quick_backup();
            if (wp == kQuickRestore + 1) quick_restore();
            return wp == kQuickBackup + 1 || wp == kQuickRestore + 1;
        case WM_TIMER:
            if (wp == kInGameTimer) tick();
            if (wp == kWaitTimer) check_waiting_programs();
            return wp == kInGameTimer || wp == kWaitTimer;
        case kTrayMessage:
            if (lp == WM_LBUTTONUP || lp == WM_LBUTTONDBLCLK) show_from_tray();
            if (lp == WM_RBUTTONUP || lp == WM_CONTEXTMENU) show_tray_menu();
            return true;
        case WM_SYSCOMMAND:
            // Minimised while watching, the window leaves the taskbar for the tray.
            if ((wp & 0xFFF0) != SC_MINIMIZE || watched_projects().empty()) return false;
            refresh_tray();
            ShowWindow(context_.window, SW_HIDE);
            return true;
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE && IsWindowVisible(context_.window)) tray_notifier_->looked();
            return false;
    }
    return false;
}

void InGame::show_tray_menu() {
    const std::vector<TrayMenuItem> items = {{kTrayBackup, "立即备份"}, {kTrayRestore, "恢复最新备份"},
                                             {kTrayHistory, "存档历史"}, {kTrayRestoreAll, "全部恢复"},
                                             {kTrayShow, "显示主窗口"},
                                             {kTrayStop, "停止监视"},    {0, nullptr},
                                             {kTrayExit, "退出"}};
    tray_command(track_tray_menu(context_.window, items));
}

void InGame::tray_command(UINT command) {
    const std::string project = played_project();
    switch (command) {
        case kTrayBackup: back_up(project, "快速备份", quick_job); break;
        case kTrayRestore: restore_newest(project); break;
        case kTrayHistory:
            show_from_tray();
            window_.open_history_of(project);
            break;
        case kTrayRestoreAll:
            show_from_tray();
            window_.open_restore_all();
            break;
        case kTrayShow: show_from_tray(); break;
        case kTrayStop: stop_watching(); break;
        case kTrayExit: window_.exit_from_tray(); break;
    }
}

void InGame::show_from_tray() {
    HWND w = context_.window;
    ShowWindow(w, IsIconic(w) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(w);
    tray_notifier_->looked();
    refresh_tray();
}

std::vector<std::string> InGame::watched_projects() const {
    std::vector<std::string> names = waits_.projects();
    for (const std::string& n : timed_.watched())
        if (!contains_project(names, n) && !contains_project(stopped_, n)) names.push_back(n);
    return names;
}

// The project whose program runs, else the one selected.
std::string InGame::played_project() const {
    const std::vector<std::string> watched = watched_projects();
    return watched.empty() ? window_.selected_project() : watched.front();
}

ProjectFiles InGame::project_list() const {
    return ProjectFiles{*context_.fs, context_.save_config_path, context_.folders.backup_root()};
}

CurrentProject InGame::load(const std::string& name) const {
    return load_project(project_list(), name, context_.folders, *context_.special);
}

void InGame::reload_timed_projects() {
    reloaded_at_ = context_.now_ms();
    std::vector<TimedProject> timed;
    for (const std::string& name : load_project_names(*context_.fs, context_.save_config_path)) {
        const int minutes = read_project_options(project_list(), name).timed_minutes;
        if (minutes <= 0) continue;
        timed.push_back({name, gbk::after_last_backslash(load(name).program_file), minutes});
    }
    timed_.set_projects(timed);
}

// One backup per tick at most: the next one due is due again at the next tick.
void InGame::tick() {
    if (context_.now_ms() - reloaded_at_ >= kReloadMs) reload_timed_projects();
    const std::vector<std::string> due = timed_.tick(context_.now_ms() / 1000, backup::is_program_running);
    const std::vector<std::string> running = timed_.watched();
    stopped_.erase(std::remove_if(stopped_.begin(), stopped_.end(),
                                  [&](const std::string& n) { return !contains_project(running, n); }),
                   stopped_.end());
    for (const std::string& name : due)
        if (!contains_project(stopped_, name)) {
            back_up(name, "定时备份", timed_job);
            break;
        }
    refresh_tray();
}

void InGame::refresh_tray() {
    const std::vector<std::string> watched = watched_projects();
    const std::string& failure = tray_notifier_->failure();
    if (watched.empty() && failure.empty()) {
        tray_.hide();
        // Hidden to the tray, the window must not vanish with the icon.
        if (!IsWindowVisible(context_.window)) ShowWindow(context_.window, SW_SHOWNOACTIVATE);
        return;
    }
    std::string tip = "Varnoke";
    for (const std::string& n : watched) tip += (tip == "Varnoke" ? "：监视 " : "、") + n;
    if (!failure.empty()) tip = failure;
    tray_.set_tip(tip);
    tray_.show();
}

void InGame::stop_watching() {
    for (const std::string& n : timed_.watched())
        if (!contains_project(stopped_, n)) stopped_.push_back(n);
    waits_ = ProgramWaits{};
    KillTimer(context_.window, kWaitTimer);
    window_.show_line("");
    refresh_tray();
}

void InGame::wait_for_exit(const CurrentProject& project) {
    window_.show_line(waiting_text(project.program_file));
    if (waits_.add(project.name, project.program_file))
        SetTimer(context_.window, kWaitTimer, kProgramLookInterval, nullptr);
}

// As 备份存档 does, but told in a notification: the user may be in another full-screen program.
// Nothing is written when the program left the saves as the newest set holds them. A project
// that is busy now waits for the next tick.
void InGame::check_waiting_programs() {
    const std::optional<std::string> ended =
        waits_.take_ended(backup::is_program_running, [this](const std::string& p) { return !operations_.busy(p); });
    if (!ended) return;
    if (waits_.idle()) KillTimer(context_.window, kWaitTimer);
    back_up(*ended, "退出后备份", after_exit_job);
}

void InGame::quick_backup() { back_up(played_project(), "快速备份", quick_job); }

void InGame::back_up(const std::string& name, const char* what, BackupJob (*job)(const ProjectOptions&)) {
    if (name.empty()) return;
    const CurrentProject p = load(name);
    Operation operation;
    operation.project = project_state(p, p.program_path, *context_.special);
    operation.job = job(p.options);
    operation.unattended = what;
    const bool timed = operation.job.kind == backup::backup_kind::kTimed;
    start_work(std::move(operation), timed);
}

// The first archive of the project's newest set; "" after telling the user there is none.
std::string InGame::newest_set_of(const CurrentProject& project) {
    const std::string newest = backup::newest_set(*context_.fs, project.backup_folder);
    if (newest.empty()) notifier().notify(nothing_to_restore_note(project.name));
    return newest;
}

void InGame::quick_restore() {
    const std::string name = played_project();
    if (name.empty()) return;
    const CurrentProject p = load(name);
    const std::string newest = newest_set_of(p);
    if (newest.empty()) return;
    if (!restore_press_.press(context_.now_ms())) {
        const std::string key = backup::set_key(newest);
        notifier().notify(quick_restore_armed_note(name, key.substr(0, key.size() - 4)));  // less ".zip"
        return;
    }
    restore_set(p, newest);
}

void InGame::restore_newest(const std::string& name) {
    if (name.empty()) return;
    const CurrentProject p = load(name);
    const std::string newest = newest_set_of(p);
    if (!newest.empty()) restore_set(p, newest);
}

// All or nothing after a safety copy, undoable with 撤销上次恢复; asked nothing, since the user asked
// for it while playing.
void InGame::restore_set(const CurrentProject& p, const std::string& first_archive) {
    Operation operation;
    operation.kind = Operation::restore;
    operation.project = project_state(p, p.program_path, *context_.special);
    operation.job.while_running = true;
    operation.ask.choose_archive = [first_archive] { return std::optional<std::string>(first_archive); };
    operation.ask.confirm_overwrite = [] { return true; };
    operation.unattended = "快速恢复";
    start_work(std::move(operation), false);
}

// A project that is busy is refused: told, except for a timed backup, whose next one will do.
bool InGame::start_work(Operation operation, bool quiet_when_busy) {
    const Operation told_as = operation;
    if (!operations_.start(std::move(operation), nullptr,
                           [this, told_as](const BackupJobResult& r) { finish_work(told_as, r); })) {
        const std::string text = busy_text(told_as.project.name);
        notifier().notify({text, {told_as.unattended + " " + text}, false, quiet_when_busy});
        return false;
    }
    window_.work_changed();
    return true;
}

void InGame::finish_work(const Operation& operation, const BackupJobResult& result) {
    notifier().notify(*told_of(operation, result).note);
    const std::string& first = result.outcome.first_done;
    if (operation.kind == Operation::backup && !first.empty() &&
        same_project(operation.project.name, window_.selected_project()))
        window_.show_line(fs::shown(first) + " 备份完成");
}
