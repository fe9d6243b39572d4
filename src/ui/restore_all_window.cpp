#include "ui/restore_all_window.h"

#include <commctrl.h>

#include "fs/file_names.h"
#include "paths/files.h"
#include "paths/folders_win.h"
#include "ui/path_fix_offer.h"
#include "ui/prompt.h"
#include "ui/window.h"

namespace {

using namespace restore_all_ui;

constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP;
constexpr int kButtonY = 312, kButtonW = 80, kButtonH = 28;

// clang-format off
const ControlSpec kLayout[] = {
    {kList, WC_LISTVIEWA, "", 8, 8, 824, 264,
     WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, WS_EX_CLIENTEDGE},
    {kStatusLabel, "STATIC", "", 8, 280, 440, 20, SS_LEFTNOWORDWRAP},
    {kProgressBar, PROGRESS_CLASSA, "", 616, 280, 216, 18, 0},
    {kAllButton, "BUTTON", "全选", 8, kButtonY, kButtonW, kButtonH, kButton},
    {kNoneButton, "BUTTON", "全不选", 96, kButtonY, kButtonW, kButtonH, kButton},
    {kFixButton, "BUTTON", "修正路径…", 184, kButtonY, 96, kButtonH, kButton},
    {kRestoreButton, "BUTTON", "恢复", 664, kButtonY, kButtonW, kButtonH, kButton | BS_DEFPUSHBUTTON},
    {kCloseButton, "BUTTON", "关闭", 752, kButtonY, kButtonW, kButtonH, kButton},
};
// clang-format on
constexpr int kClientWidth = 840, kClientHeight = 348;

const ListColumn kColumns[] = {{"项目", 110}, {"最新备份", 170}, {"存档位置", 230}, {"状态", 310}};

// The state, and why a path cannot be used here: the folder itself shows in 存档位置.
std::vector<std::string> cells(const RestoreAllRow& row) {
    std::string state = save_state_text(row.state);
    if (row.trouble.kind == PathTrouble::other_user) state += "（路径属于其他用户，可修正）";
    if (row.trouble.kind == PathTrouble::missing_drive) state += "（本机没有驱动器 " + row.trouble.folder + "，可修正）";
    return {row.project, row.newest_time, row.save_text, state};
}

class RestoreAllWindow : public Window {
   public:
    explicit RestoreAllWindow(RestoreAllContext context)
        : context_(std::move(context)), record_(*context_.fs, context_.config_dir) {}

    bool create() {
        if (!Window::create("全部恢复", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 60, 90, 860, 400))
            return false;
        delete_on_destroy();
        create_controls(kLayout);
        fit_client_area(kClientWidth, kClientHeight);
        add_list_columns(list(), {std::begin(kColumns), std::end(kColumns)}, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
        reload();
        ShowWindow(hwnd(), SW_SHOW);
        return true;
    }

   protected:
    void on_command(int id, int code) override {
        if (code != BN_CLICKED || running()) return;
        switch (id) {
            case kAllButton: tick_all(true); break;
            case kNoneButton: tick_all(false); break;
            case kFixButton: fix_path(); break;
            case kRestoreButton: restore(); break;
            case kCloseButton: close(); break;
        }
    }

    bool on_message(UINT msg, WPARAM, LPARAM lp, LRESULT* result) override {
        if (msg == WM_CLOSE && running()) return true;  // the restores still report here
        if (msg != WM_NOTIFY || reinterpret_cast<const NMHDR*>(lp)->idFrom != kList) return false;
        *result = 0;
        if (reinterpret_cast<const NMHDR*>(lp)->code == LVN_ITEMCHANGED) update_buttons();
        return false;
    }

   private:
    HWND list() const { return item(kList); }
    bool running() const { return next_ < queue_.size() || waiting_; }

    // Reads the list and every backup folder again; the ticks start afresh.
    void reload() {
        rows_.clear();
        projects_ = context_.projects();
        for (const CurrentProject& p : projects_)
            rows_.push_back(restore_all_row(*context_.fs, p, system_folders(), files::drive_exists));
        ListView_DeleteAllItems(list());
        for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
            const std::vector<std::string> texts = cells(rows_[i]);
            LVITEMA row{};
            row.mask = LVIF_TEXT;
            row.iItem = i;
            row.pszText = const_cast<char*>(texts[0].c_str());
            SendMessageA(list(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row));
            for (int c = 1; c < static_cast<int>(texts.size()); ++c) {
                row.iSubItem = c;
                row.pszText = const_cast<char*>(texts[c].c_str());
                SendMessageA(list(), LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&row));
            }
            ListView_SetCheckState(list(), i, rows_[i].ticked);
        }
        if (!rows_.empty()) ListView_SetItemState(list(), 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        update_buttons();
    }

    void tick_all(bool on) {
        for (int i = 0; i < static_cast<int>(rows_.size()); ++i) ListView_SetCheckState(list(), i, on);
    }

    int selected() const { return ListView_GetNextItem(list(), -1, LVNI_SELECTED); }

    void update_buttons() {
        const int i = selected();
        const bool idle = !running();
        enable(kFixButton, idle && i >= 0 && i < static_cast<int>(rows_.size()) &&
                               rows_[static_cast<size_t>(i)].trouble.kind != PathTrouble::none);
        for (int id : {kAllButton, kNoneButton, kRestoreButton, kCloseButton}) enable(id, idle);
        EnableWindow(list(), idle);
    }

    void fix_path() {
        const int i = selected();
        if (i < 0 || i >= static_cast<int>(rows_.size())) return;
        const std::optional<PathFix> fix = ask_for_path_fix(rows_[static_cast<size_t>(i)].trouble);
        if (!fix) return;
        if (!context_.keep_fix(*fix)) show_message("无法写入 系统配置文件.ini，路径没有修正。", mb::kIconExclamation);
        reload();
    }

    // The ticked projects, each restored as 恢复按钮 does, one after another; the others are skipped.
    void restore() {
        queue_.clear();
        tally_ = RestoreAllTally{};
        for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
            if (ListView_GetCheckState(list(), i) && !rows_[static_cast<size_t>(i)].newest.empty())
                queue_.push_back(static_cast<size_t>(i));
            else
                tally_.skip(rows_[static_cast<size_t>(i)]);
        }
        if (queue_.empty()) {
            show_message("没有勾选可以恢复的项目。");
            return;
        }
        next_ = 0;
        std::vector<RestoreAllRow> queued;
        for (size_t i : queue_) queued.push_back(rows_[i]);
        record_.begin(queued);
        SendMessageA(item(kProgressBar), PBM_SETRANGE32, 0, static_cast<LPARAM>(queue_.size()));
        SendMessageA(item(kProgressBar), PBM_SETPOS, 0, 0);
        update_buttons();
        start_next();
    }

    void start_next() {
        while (next_ < queue_.size()) {
            const size_t i = queue_[next_++];
            const RestoreAllRow& row = rows_[i];
            set_text(kStatusLabel, "正在恢复 " + row.project + "（" + std::to_string(next_) + "/" +
                                       std::to_string(queue_.size()) + "）");
            const CurrentProject& p = projects_[i];
            Operation op = restore_without_question(project_state(p, p.program_path, system_folders()), row.newest);
            std::string why;
            waiting_ = true;
            if (context_.start(std::move(op), [this, name = row.project](const BackupJobResult& r) { ended(name, r); }, &why))
                return;
            waiting_ = false;
            tally_.failed.push_back(row.project + "（" + why + "）");
            record_.ended(row.project, false);
            SendMessageA(item(kProgressBar), PBM_SETPOS, next_, 0);
        }
        finish();
    }

    void ended(const std::string& project, const BackupJobResult& result) {
        waiting_ = false;
        const size_t restored_before = tally_.restored.size();
        tally_.add(project, result);
        record_.ended(project, tally_.restored.size() > restored_before);
        SendMessageA(item(kProgressBar), PBM_SETPOS, next_, 0);
        start_next();
    }

    void finish() {
        record_.finish();
        set_text(kStatusLabel, "全部恢复完成：已恢复 " + std::to_string(tally_.restored.size()) + " 个项目");
        reload();
        show_message(restore_all_summary(tally_), tally_.any_failed() ? mb::kIconExclamation : mb::kOk, "全部恢复");
    }

    RestoreAllContext context_;
    std::vector<CurrentProject> projects_;
    std::vector<RestoreAllRow> rows_;  // in the order of projects_
    std::vector<size_t> queue_;        // rows to restore, in order
    size_t next_ = 0;
    bool waiting_ = false;             // a restore of the queue runs
    RestoreAllTally tally_;
    RestoreAllRecord record_;
};

}  // namespace

HWND open_restore_all_window(RestoreAllContext context) {
    auto* window = new RestoreAllWindow(std::move(context));
    if (window->create()) return window->hwnd();
    delete window;
    return nullptr;
}
