#include "ui/history_window.h"

#include <commctrl.h>

#include <atomic>
#include <memory>
#include <thread>

#include "backup/history.h"
#include "backup/restore.h"
#include "backup/verify.h"
#include "run/server_history.h"
#include "ui/prompt.h"
#include "ui/window.h"

namespace {

using namespace history_ui;

constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP;
constexpr int kButtonY = 236, kButtonW = 72, kButtonH = 28, kButtonStep = 78, kButtonX = 8;

// clang-format off
const ControlSpec kLayout[] = {
    {kList, WC_LISTVIEWA, "", 8, 8, 624, 220,
     WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, WS_EX_CLIENTEDGE},
    {kRestoreButton, "BUTTON", "恢复", kButtonX + 0 * kButtonStep, kButtonY, kButtonW, kButtonH, kButton},
    {kCompareButton, "BUTTON", "比较", kButtonX + 1 * kButtonStep, kButtonY, kButtonW, kButtonH, kButton},
    {kVerifyButton, "BUTTON", "校验", kButtonX + 2 * kButtonStep, kButtonY, kButtonW, kButtonH, kButton},
    {kNoteButton, "BUTTON", "备注", kButtonX + 3 * kButtonStep, kButtonY, kButtonW, kButtonH, kButton},
    {kKeepButton, "BUTTON", "保留", kButtonX + 4 * kButtonStep, kButtonY, kButtonW, kButtonH, kButton},
    {kDeleteButton, "BUTTON", "删除", kButtonX + 5 * kButtonStep, kButtonY, kButtonW, kButtonH, kButton},
    {kOpenFolderButton, "BUTTON", "打开文件夹", kButtonX + 6 * kButtonStep, kButtonY, kButtonW, kButtonH, kButton},
    {kCloseButton, "BUTTON", "关闭", kButtonX + 7 * kButtonStep, kButtonY, kButtonW, kButtonH, kButton},
    {kComparisonEdit, "EDIT", "", 8, 274, 624, 188,
     ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP, ctl::kWhiteBackground, WS_EX_CLIENTEDGE},
};
// clang-format on
constexpr int kClientWidth = 640, kClientHeight = 470;

struct Column {
    const char* caption;
    int width;
    backup::HistoryColumn sorts;
};
const Column kColumns[] = {{"时间", 182, backup::HistoryColumn::time},
                           {"类型", 64, backup::HistoryColumn::kind},
                           {"大小", 76, backup::HistoryColumn::size},
                           {"文件夹", 56, backup::HistoryColumn::folders},
                           {"备注", 222, backup::HistoryColumn::note}};
// A project that syncs: the note gives room to where each set is.
const Column kSyncColumns[] = {{"时间", 182, backup::HistoryColumn::time},
                               {"类型", 56, backup::HistoryColumn::kind},
                               {"大小", 64, backup::HistoryColumn::size},
                               {"文件夹", 50, backup::HistoryColumn::folders},
                               {"备注", 120, backup::HistoryColumn::note},
                               {"位置", 128, backup::HistoryColumn::place}};

struct Fetched {
    std::optional<std::string> first_archive;
    std::string problem;
};

// Buttons that act on the chosen row.
constexpr int kRowButtons[] = {kRestoreButton, kCompareButton, kNoteButton, kKeepButton, kDeleteButton};

std::vector<std::string> cells(const backup::HistoryRow& row, bool sync) {
    std::vector<std::string> c = {row.set.stem, row.info.kind, backup::size_text(row.size), backup::folders_text(row),
                                  backup::note_text(row)};
    if (sync) c.push_back(row.place);
    return c;
}

class HistoryWindow : public Window {
   public:
    explicit HistoryWindow(HistoryContext context) : context_(std::move(context)), fs_(*context_.fs) {}

    bool create() {
        const std::string title = "存档历史 - " + context_.project;
        if (!Window::create(title.c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 80, 80, 660, 520))
            return false;
        delete_on_destroy();
        create_controls(kLayout);
        fit_client_area(kClientWidth, kClientHeight);
        set_up_list();
        reload();
        list_server();
        ShowWindow(hwnd(), SW_SHOW);
        return true;
    }

   protected:
    void on_command(int id, int code) override {
        if (code != BN_CLICKED) return;
        switch (id) {
            case kRestoreButton: restore(); break;
            case kCompareButton: compare(); break;
            case kVerifyButton: start_verify(); break;
            case kNoteButton: edit_note(); break;
            case kKeepButton: toggle_kept(); break;
            case kDeleteButton: delete_set(); break;
            case kOpenFolderButton: open_folder(); break;
            case kCloseButton: close(); break;
        }
    }

    bool on_message(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override {
        // A backup or restore of the main window, or another run of the tool, may have changed the folder.
        if (msg == WM_ACTIVATE && LOWORD(wp) != WA_INACTIVE) reload();
        if (msg == kWorkEnded) {
            EnableWindow(hwnd(), TRUE);
            reload();  // the restore made a safety copy
            return true;
        }
        if (msg == kServerListed) {
            server_listed(std::unique_ptr<ServerListing>(reinterpret_cast<ServerListing*>(lp)));
            return true;
        }
        if (msg == kServerFetched) {
            server_fetched(std::unique_ptr<Fetched>(reinterpret_cast<Fetched*>(lp)));
            return true;
        }
        if (msg == kVerifyLine) {
            verify_line(reinterpret_cast<std::string*>(lp));
            return true;
        }
        if (msg != WM_NOTIFY) return false;
        const auto* n = reinterpret_cast<const NMHDR*>(lp);
        if (n->idFrom != kList) return false;
        *result = 0;
        switch (n->code) {
            case NM_RETURN: restore(); return true;  // when no dialog loop turned Enter into 恢复
            case NM_DBLCLK: compare(); return true;
            case LVN_KEYDOWN:
                if (reinterpret_cast<const NMLVKEYDOWN*>(lp)->wVKey == VK_DELETE) delete_set();
                return true;
            case LVN_COLUMNCLICK: sort_by(reinterpret_cast<const NMLISTVIEW*>(lp)->iSubItem); return true;
            case LVN_ITEMCHANGED: update_buttons(); return true;
        }
        return false;
    }

   private:
    HWND list() const { return item(kList); }

    bool syncs() const { return static_cast<bool>(context_.list_server); }
    const Column* columns() const { return syncs() ? kSyncColumns : kColumns; }
    int column_count() const { return static_cast<int>(syncs() ? std::size(kSyncColumns) : std::size(kColumns)); }

    void set_up_list() {
        std::vector<ListColumn> list_columns;
        for (int i = 0; i < column_count(); ++i) list_columns.push_back({columns()[i].caption, columns()[i].width});
        add_list_columns(list(), list_columns, LVS_EX_FULLROWSELECT);
    }

    // One listing per opening: the server's limits are for sets, not for a window left open.
    void list_server() {
        if (!syncs()) return;
        set_text(kComparisonEdit, "正在读取服务器上的备份…");
        post_from_worker<ServerListing>(hwnd(), kServerListed, context_.list_server);
    }

    void server_listed(std::unique_ptr<ServerListing> listing) {
        server_ = std::move(*listing);
        std::string said = server_.problem.empty() ? "" : "无法读取服务器上的备份：" + server_.problem;
        if (server_.maybe_partial) said = "服务器只列出了部分备份，没有列出的可能仍在服务器上。";
        set_text(kComparisonEdit, said);
        reload();
    }

    // The set is fetched whole and checked first; then it is restored as any set of the folder.
    void fetch_and_restore(const backup::HistoryRow& row) {
        if (!context_.fetch || row.server < 0 || row.server >= static_cast<int>(server_.sets.size())) return;
        EnableWindow(hwnd(), FALSE);
        set_text(kComparisonEdit, "正在从服务器下载 " + row.set.stem + " …");
        post_from_worker<Fetched>(hwnd(), kServerFetched, [fetch = context_.fetch, set = server_.sets[row.server].remote] {
            Fetched f;
            f.first_archive = fetch(set, &f.problem);
            return f;
        });
    }

    void server_fetched(std::unique_ptr<Fetched> fetched) {
        reload();
        if (!fetched->first_archive) {
            EnableWindow(hwnd(), TRUE);
            set_text(kComparisonEdit, "");
            show_message("无法从服务器取回这个备份：" + fetched->problem, mb::kIconExclamation);
            return;
        }
        set_text(kComparisonEdit, "已从服务器取回 " + backup::set_key(*fetched->first_archive));
        if (!context_.restore(*fetched->first_archive)) EnableWindow(hwnd(), TRUE);
    }

    // Reads the folders again and keeps the chosen set chosen.
    void reload() {
        const backup::HistoryRow* chosen = selected();
        const std::string keep = chosen ? chosen->set.first_archive() : "";
        rows_ = backup::history_rows(fs_, context_.backup_folder, static_cast<int>(context_.save_paths.size()));
        // Without the server's listing nobody can tell where a set is: the column stays empty.
        if (syncs() && server_.problem.empty())
            add_server_sets(rows_, server_, static_cast<int>(context_.save_paths.size()));
        backup::sort_rows(rows_, sort_column_, ascending_);
        fill(keep);
    }

    void fill(const std::string& keep) {
        ListView_DeleteAllItems(list());
        int chosen = -1;
        for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
            const std::vector<std::string> texts = cells(rows_[i], syncs());
            LVITEMA row{};
            row.mask = LVIF_TEXT | LVIF_PARAM;
            row.iItem = i;
            row.pszText = const_cast<char*>(texts[0].c_str());
            row.lParam = i;
            SendMessageA(list(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row));
            for (int c = 1; c < static_cast<int>(texts.size()); ++c) {
                row.iSubItem = c;
                row.pszText = const_cast<char*>(texts[c].c_str());
                SendMessageA(list(), LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&row));
            }
            if (rows_[i].set.first_archive() == keep) chosen = i;
        }
        if (chosen < 0 && !rows_.empty()) chosen = 0;
        if (chosen >= 0) {
            ListView_SetItemState(list(), chosen, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            ListView_EnsureVisible(list(), chosen, FALSE);
        }
        update_buttons();
    }

    const backup::HistoryRow* selected() const {
        const int i = ListView_GetNextItem(list(), -1, LVNI_SELECTED);
        return i >= 0 && i < static_cast<int>(rows_.size()) ? &rows_[static_cast<size_t>(i)] : nullptr;
    }

    void update_buttons() {
        const backup::HistoryRow* row = selected();
        for (int id : kRowButtons) enable(id, row != nullptr);
        enable(kVerifyButton, !rows_.empty() && !verifying_);
        if (verifying_) enable(kDeleteButton, false);  // a set must not go while it is read
        // Safety copies are kept by their own count, the newest five.
        if (row && row->safety_copy) enable(kKeepButton, false);
        // A set only on the server can only be fetched and restored.
        if (row && row->server >= 0)
            for (int id : {kCompareButton, kNoteButton, kKeepButton, kDeleteButton}) enable(id, false);
    }

    // The time column starts newest first, the others smallest first; a second click turns it.
    void sort_by(int column) {
        if (column < 0 || column >= column_count()) return;
        const backup::HistoryColumn by = columns()[column].sorts;
        ascending_ = by == sort_column_ ? !ascending_ : by != backup::HistoryColumn::time;
        sort_column_ = by;
        const backup::HistoryRow* chosen = selected();
        const std::string keep = chosen ? chosen->set.first_archive() : "";
        backup::sort_rows(rows_, sort_column_, ascending_);
        fill(keep);
    }

    // The restore runs on while the windows are usable: this one must not act on the sets meanwhile.
    void restore() {
        const backup::HistoryRow* row = selected();
        if (!row || !context_.restore) return;
        if (row->server >= 0) return fetch_and_restore(*row);
        EnableWindow(hwnd(), FALSE);
        if (!context_.restore(row->set.first_archive())) EnableWindow(hwnd(), TRUE);
    }

    void compare() {
        const backup::HistoryRow* row = selected();
        if (!row || row->server >= 0) return;
        const std::string heading = "恢复 " + row->set.stem + "（" + row->info.kind + "）会这样改动存档：";
        const std::vector<backup::FolderComparison> folders =
            backup::compare_set(fs_, *row, context_.save_paths, {context_.excluded_folders, context_.exclusions});
        set_text(kComparisonEdit, backup::comparison_text(folders, heading));
    }

    // 校验 reads every set of the list from the disk on a worker; each verdict comes back as a line
    // and the marks it keeps show once it ends. The window may close meanwhile: the worker then
    // finishes its set and stops.
    void start_verify() {
        std::vector<backup::HistoryRow> local;  // a set only on the server has nothing here to read
        for (const backup::HistoryRow& row : rows_)
            if (row.server < 0) local.push_back(row);
        if (local.empty() || verifying_) return;
        verifying_ = true;
        enable(kVerifyButton, false);
        enable(kDeleteButton, false);
        verify_text_ = "校验 " + std::to_string(local.size()) + " 个备份（从磁盘读取，每个文件都解压并核对 CRC-32 和大小）：";
        set_text(kComparisonEdit, verify_text_);
        std::thread([fs = &fs_, rows = std::move(local), window = hwnd(), stop = stop_] {
            int damaged = 0;
            for (const backup::HistoryRow& row : rows) {
                if (*stop) return;
                const backup::SetVerdict v = backup::verify_set(*fs, row.set);
                damaged += v.sound() ? 0 : 1;
                std::string line = backup::verdict_line(row, v);
                if (!backup::keep_verdict(*fs, row, v)) line += "（无法记下校验结果）";
                post_line(window, new std::string(line));
            }
            post_line(window, new std::string(damaged ? "校验完成：" + std::to_string(damaged) + " 个备份已损坏。"
                                                      : "校验完成：全部完好。"));
            post_line(window, nullptr);
        }).detach();
    }

    static void post_line(HWND window, std::string* line) {
        if (!PostMessageA(window, kVerifyLine, 0, reinterpret_cast<LPARAM>(line))) delete line;
    }

    void verify_line(std::string* line) {
        if (!line) {
            verifying_ = false;
            enable(kVerifyButton, true);
            reload();
            return;
        }
        verify_text_ += "\r\n" + *line;
        delete line;
        set_text(kComparisonEdit, verify_text_);
        SendMessageA(item(kComparisonEdit), EM_LINESCROLL, 0, 0xFFFF);
    }

    void on_destroy() override { *stop_ = true; }

    void edit_note() {
        const backup::HistoryRow* chosen = selected();
        if (!chosen || chosen->server >= 0) return;
        const backup::HistoryRow row = *chosen;  // the list is read again when the dialog hands back the focus
        TextRequest r;
        r.title = "备注 - " + row.set.stem;
        r.label = "备注（最多 100 个字）：";
        r.initial = row.info.note;
        r.max_chars = backup::kNoteLength;
        const std::optional<std::string> note = prompt().ask_text(r);
        if (!note) return;
        if (!backup::info_of(fs_, row).set_note(row.set.key(), backup::clip_note(*note))) tell_unwritten(row);
        reload();
    }

    void toggle_kept() {
        const backup::HistoryRow* row = selected();
        if (!row || row->safety_copy || row->server >= 0) return;
        if (!backup::info_of(fs_, *row).set_kept(row->set.key(), !row->info.kept)) tell_unwritten(*row);
        reload();
    }

    void tell_unwritten(const backup::HistoryRow& row) {
        show_message("无法写入 " + fs::shown(row.set.folder) + "\\备份信息.ini", mb::kIconExclamation);
    }

    void delete_set() {
        const backup::HistoryRow* chosen = selected();
        if (!chosen || chosen->server >= 0) return;  // nothing is ever deleted on the server
        const backup::HistoryRow row = *chosen;  // each question hands the focus back, and the list is read again
        if (is_undo_copy(row)) {
            show_message("这是撤销上次恢复要用的恢复前副本，不能删除。", mb::kIconExclamation);
            return;
        }
        std::string ask = "是否把备份 " + row.set.stem + " 移到回收站？\r\n";
        for (const std::string& path : row.set.paths()) ask += "\r\n" + backup::set_key(path);
        if (show_message(ask, mb::kYesNo | mb::kIconQuestion) != mb::kIdYes) return;
        if (row.info.kept && show_message("备份 " + row.set.stem + " 标记为保留，确实要删除吗？",
                                          mb::kYesNo | mb::kIconExclamation) != mb::kIdYes)
            return;
        // Its note goes with the set; a set left whole keeps what is known of it.
        std::string left;
        for (const std::string& path : backup::recycle_set(fs_, *context_.recycle_bin, row.set))
            left += fs::named("\r\n", path);
        if (left.empty())
            backup::info_of(fs_, row).forget({row.set.key()});
        else
            show_message("这些文件没有移到回收站：" + left, mb::kIconExclamation);
        reload();
    }

    // The newest safety copy is what 撤销上次恢复 puts back.
    bool is_undo_copy(const backup::HistoryRow& row) const {
        if (!row.safety_copy || !backup::has_restore_to_undo(fs_, context_.backup_folder)) return false;
        for (const backup::HistoryRow& other : rows_)
            if (other.safety_copy && other.set.seconds > row.set.seconds) return false;
        return true;
    }

    void open_folder() {
        const backup::HistoryRow* row = selected();
        if (row && row->server < 0)
            prompt().shell_select(fs::shown(row->set.first_archive()));
        else
            prompt().shell_open(fs::shown(context_.backup_folder));
    }

    HistoryContext context_;
    fs::FileSystem& fs_;
    std::vector<backup::HistoryRow> rows_;
    ServerListing server_;  // as last listed; empty until then
    backup::HistoryColumn sort_column_ = backup::HistoryColumn::time;
    bool ascending_ = false;
    bool verifying_ = false;
    std::string verify_text_;
    std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace

HWND open_history_window(HistoryContext context) {
    auto* window = new HistoryWindow(std::move(context));
    if (window->create()) return window->hwnd();
    delete window;
    return nullptr;
}
