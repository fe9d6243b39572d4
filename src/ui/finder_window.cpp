#include "ui/finder_window.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "backup/exclusions.h"
#include "backup/processes.h"
#include "config/tool_folders.h"
#include "finder/places.h"
#include "finder/session_win.h"
#include "finder/stored_form.h"
#include "paths/expand.h"
#include "paths/folders_win.h"
#include "paths/gbk_text.h"
#include "paths/time_text.h"
#include "run/project_form.h"
#include "ui/prompt.h"
#include "ui/window.h"

namespace {

using namespace finder_ui;

constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = 250;  // how often the reports and the processes are looked at
constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kLabel = SS_LEFTNOWORDWRAP | SS_NOPREFIX;

// clang-format off
const ControlSpec kLayout[] = {
    {kProgramLabel, "STATIC", "程序", 8, 12, 40, 20, kLabel},
    {kProgramEdit, "EDIT", "", 50, 10, 562, 20, ES_AUTOHSCROLL | ES_READONLY, ctl::kWhiteBackground, WS_EX_CLIENTEDGE},
    {kStartButton, "BUTTON", "启动程序并开始记录", 8, 40, 140, 25, kButton},
    {kStopButton, "BUTTON", "停止", 156, 40, 70, 25, kButton, ctl::kDisabled},
    {kStatusLabel, "STATIC", "", 236, 45, 376, 20, kLabel},
    {kCandidateList, WC_LISTVIEWA, "", 8, 74, 604, 180,
     WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, 0, WS_EX_CLIENTEDGE},
    {kHintLabel, "STATIC", "勾选存档位置（最多五个），确定后填入存档路径", 8, 267, 420, 20, kLabel},
    {kOkButton, "BUTTON", "确定", 542, 262, 70, 25, kButton, ctl::kDisabled},
};
// clang-format on

const std::vector<ListColumn> kColumns = {{"存档位置", 370}, {"文件数", 54}, {"最后写入", 176}};

std::string last_write_text(int64_t unix_seconds) {
    const ULONGLONG ticks = (static_cast<ULONGLONG>(unix_seconds) + 11644473600ULL) * 10000000ULL;
    FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)}, local;
    SYSTEMTIME t;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &t)) return "";
    return format_time_text({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond});
}

class FinderWindow : public Window {
   public:
    FinderWindow(FinderContext context, FinderResult done) : context_(std::move(context)), done_(std::move(done)) {}

    bool create() {
        if (!Window::create("查找存档位置", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 60, 60, 630, 330)) return false;
        fit_client_area(620, 296);
        create_controls(kLayout);
        program_file_ = expand_program_path(context_.program_path, system_folders());
        set_text(kProgramEdit, program_file_);
        set_up_list();
        return true;
    }

   protected:
    void on_command(int id, int code) override {
        if (code != BN_CLICKED) return;
        if (id == kStartButton) start();
        if (id == kStopButton) finish();
        if (id == kOkButton) confirm();
    }

    bool on_message(UINT msg, WPARAM wp, LPARAM lp, LRESULT*) override {
        if (msg == WM_TIMER && wp == kTickTimer) tick();
        if (msg == WM_NOTIFY) {
            const auto* n = reinterpret_cast<const NMLISTVIEW*>(lp);
            if (n->hdr.idFrom == kCandidateList && n->hdr.code == LVN_ITEMCHANGED) tick_changed(n->iItem);
        }
        return false;
    }

    void on_destroy() override { end_session(); }

   private:
    HWND list() const { return item(kCandidateList); }

    void set_up_list() { add_list_columns(list(), kColumns, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT); }

    void start() {
        std::string error;
        HANDLE process = finder::start_watched_program(program_file_, &error);
        if (!process) {
            show_message("无法启动程序：" + program_file_ + "\n" + error);
            return;
        }
        clear_candidates();
        // The watch begins before the program can write: the start time is taken first.
        recording_ = std::make_unique<finder::Recording>(
            finder::session_roots(*context_.fs, gbk::left(program_file_, gbk::find_last(program_file_, "\\") - 1)), finder::unix_now());
        watcher_ = std::make_unique<finder::Watcher>(*recording_);
        process_ = process;
        started_ms_ = GetTickCount64();
        launcher_ = false;
        enable(kStartButton, false);
        enable(kStopButton, true);
        set_text(kStatusLabel, "正在记录…");
        SetTimer(hwnd(), kTickTimer, kTickMs, nullptr);
    }

    // Ends by itself once the program and every process of its name have ended, unless the
    // program was only a launcher.
    void tick() {
        if (!watcher_) return;
        watcher_->poll();
        if (launcher_ || WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) return;
        if (backup::is_program_running(gbk::after_last_backslash(program_file_))) return;
        if (GetTickCount64() - started_ms_ < context_.launcher_ms) {
            launcher_ = true;
            set_text(kStatusLabel, "启动器已退出，仍在记录；游戏结束后请按 停止");
            return;
        }
        finish();
    }

    void finish() {
        if (!watcher_) return;
        watcher_->stop();
        std::vector<finder::WrittenFile> files = recording_->written_files(*context_.fs);
        candidates_ = finder::rank_candidates(recording_->roots(), files, own_folders());
        end_session();
        enable(kStartButton, true);
        enable(kStopButton, false);
        if (candidates_.empty()) {
            set_text(kStatusLabel, "没有发现写入的文件");
            show_message("没有发现写入的文件");
            return;
        }
        set_text(kStatusLabel, "发现 " + std::to_string(candidates_.size()) + " 个位置");
        fill_candidates();
        fill_suggestions(files);
    }

    void end_session() {
        if (hwnd()) KillTimer(hwnd(), kTickTimer);
        watcher_.reset();
        recording_.reset();
        if (process_) CloseHandle(process_);
        process_ = nullptr;
    }

    std::vector<std::string> own_folders() const {
        if (context_.tool_dir.empty()) return {};
        ToolFolders tool{context_.tool_dir};
        return {fs::shown(tool.config_dir()), fs::shown(tool.backup_root())};
    }

    void clear_candidates() {
        filling_ = true;
        ListView_DeleteAllItems(list());
        filling_ = false;
        candidates_.clear();
        suggestions_.clear();
        enable(kOkButton, false);
    }

    void fill_candidates() {
        filling_ = true;
        for (size_t i = 0; i < candidates_.size(); ++i) {
            const finder::Candidate& c = candidates_[i];
            std::string cells[] = {
                finder::stored_form(c.folder, context_.program_path, system_folders(), true),
                std::to_string(c.files), last_write_text(c.last_write)};
            LVITEMA row{};
            row.mask = LVIF_TEXT;
            row.iItem = static_cast<int>(i);
            row.pszText = cells[0].data();
            SendMessageA(list(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row));
            for (int column = 1; column < 3; ++column) {
                row.iSubItem = column;
                row.pszText = cells[column].data();
                SendMessageA(list(), LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&row));
            }
        }
        filling_ = false;
        enable(kOkButton, true);
    }

    // Log, cache and dump places seen below the places offered, as patterns for 排除, each once.
    void fill_suggestions(const std::vector<finder::WrittenFile>& files) {
        filling_ = true;
        for (const finder::Candidate& c : candidates_)
            for (const std::string& pattern : finder::suggest_exclusions(c.folder, files)) {
                if (std::find(suggestions_.begin(), suggestions_.end(), pattern) != suggestions_.end()) continue;
                suggestions_.push_back(pattern);
                std::string cell = "排除建议：" + pattern + "（日志、缓存或转储，不是存档）";
                LVITEMA row{};
                row.mask = LVIF_TEXT;
                row.iItem = static_cast<int>(candidates_.size() + suggestions_.size() - 1);
                row.pszText = cell.data();
                SendMessageA(list(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row));
            }
        filling_ = false;
    }

    std::string ticked_exclusions() const {
        std::vector<std::string> patterns;
        for (size_t i = 0; i < suggestions_.size(); ++i)
            if (ListView_GetCheckState(list(), static_cast<int>(candidates_.size() + i))) patterns.push_back(suggestions_[i]);
        return backup::join_exclusions(patterns);
    }

    std::vector<std::string> ticked() const {
        std::vector<std::string> folders;
        for (size_t i = 0; i < candidates_.size(); ++i)
            if (ListView_GetCheckState(list(), static_cast<int>(i))) folders.push_back(candidates_[i].folder);
        return folders;
    }

    // A sixth tick is taken back at once.
    void tick_changed(int row) {
        if (filling_ || row < 0 || row >= static_cast<int>(candidates_.size()) ||
            static_cast<int>(ticked().size()) <= kMostTicked)
            return;
        filling_ = true;
        ListView_SetCheckState(list(), row, FALSE);
        filling_ = false;
        set_text(kStatusLabel, "最多可选五个位置");
    }

    void confirm() {
        const std::vector<std::string> folders = ticked();
        if (folders.empty()) {
            show_message("请勾选存档位置！");
            return;
        }
        const std::string joined = finder::join_stored_forms(folders, context_.program_path, system_folders());
        const std::string problem = save_path_problem(joined, context_.program_path, system_folders());
        if (!problem.empty()) {
            show_message(problem);
            return;
        }
        if (done_) done_(joined, ticked_exclusions());
        close();
    }

    FinderContext context_;
    FinderResult done_;
    std::string program_file_;
    std::unique_ptr<finder::Recording> recording_;
    std::unique_ptr<finder::Watcher> watcher_;
    HANDLE process_ = nullptr;
    ULONGLONG started_ms_ = 0;
    bool launcher_ = false;
    bool filling_ = false;
    std::vector<finder::Candidate> candidates_;
    std::vector<std::string> suggestions_;  // rows after the candidates
};

}  // namespace

void find_save_locations(const FinderContext& context, const FinderResult& done) {
    FinderWindow window(context, done);
    if (window.create()) window.run_modal();
}
