#include "ui/multi_paths_window.h"

#include <algorithm>
#include <vector>

#include "paths/expand.h"
#include "paths/folders_win.h"
#include "paths/gbk_text.h"
#include "run/project_form.h"
#include "ui/prompt.h"
#include "ui/path_fix_offer.h"
#include "ui/save_path_rows.h"
#include "ui/window.h"

namespace {

using namespace multi_paths;

constexpr const char* kSingle = "单一位置";
constexpr const char* kMultiple = "多个位置";
constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP;

// clang-format off
const ControlSpec kLayout[] = {
    // 96 wide, up to the combo box: eight characters of 12 px do not fit the 90 px they were given.
    {kCountLabel, "STATIC", "存档路径数选择：", 8, 10, 96, 20, SS_LEFTNOWORDWRAP | SS_NOPREFIX},  // 标签6
    {kCountCombo, "COMBOBOX", "", 104, 10, 96, 20 + 60, CBS_DROPDOWNLIST | WS_TABSTOP},           // 存档数量组合框
    {kMoreButton, "BUTTON", "＋", 208, 8, 50, 25, kButton, ctl::kHidden | ctl::kBoldFont},         // 增加按钮
    {kFewerButton, "BUTTON", "－", 272, 8, 50, 25, kButton, ctl::kHidden | ctl::kBoldFont},        // 减少按钮
    {kOkButton, "BUTTON", "确定", 350, 8, 50, 25, kButton},                                        // 确定按钮
};
// clang-format on

class MultiPathsWindow : public Window {
   public:
    MultiPathsWindow(SavePathsEdit edit, SavePathsWriteBack write_back)
        : edit_(std::move(edit)), write_back_(std::move(write_back)) {}

    bool create() {
        if (!Window::create("", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 50, 50, 420, 225)) return false;
        create_controls(kLayout);
        const std::vector<ControlSpec> rows = path_rows::controls(300, 384, 0, 0);
        create_controls(rows.data(), rows.size());
        fill_count_combo();

        height_adjust_ = 193 - client_size().cy;
        sized_ = true;
        set_height(rows_height(1));
        set_outer_size(outer_size().cx + (414 - client_size().cx), outer_size().cy);
        set_title(edit_.page == EditPage::add && edit_.project_name.empty()
                      ? "存档路径配置：（新增）"
                      : "存档路径配置： " + edit_.project_name);
        fill();
        return true;
    }

   protected:
    void on_command(int id, int code) override {
        if (id == kCountCombo) {
            if (code == CBN_SELCHANGE) count_chosen();
            return;
        }
        if (code != BN_CLICKED) return;
        if (id == kMoreButton) set_height(outer_size().cy + 30);
        if (id == kFewerButton) set_height(outer_size().cy - 30);
        if (id == kOkButton) confirm();
        if (int k = path_rows::row_of_button(id)) browse_row(k);
    }

    bool on_message(UINT msg, WPARAM, LPARAM, LRESULT*) override {
        if (msg == WM_SIZE && sized_) rows_changed();
        return false;
    }

   private:
    int rows_height(int rows) const { return path_rows::outer_height(height_adjust_, rows); }
    void set_height(int h) { set_outer_size(outer_size().cx, h); }

    void fill_count_combo() {
        HWND combo = item(kCountCombo);
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kSingle));
        SendMessageA(combo, CB_SETITEMDATA, 0, 1);
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kMultiple));
        SendMessageA(combo, CB_SETITEMDATA, 1, 2);
        SendMessageA(combo, CB_SETCURSEL, 0, 0);
    }

    // The fields show expanded paths, so OK writes expanded paths back: tokens are not kept.
    void fill() {
        std::string expanded = edit_.save_path;
        expand_stored_path(expanded, edit_.program_path, system_folders());
        const std::vector<std::string> paths = gbk::split(expanded);
        path_rows::fill(*this, paths);
        const int count = static_cast<int>(paths.size());
        // Entries beyond the fifth have no row; they are kept untouched for OK.
        if (count > path_rows::kCount) beyond_five_.assign(paths.begin() + path_rows::kCount, paths.end());
        if (count >= 2) {
            set_height(outer_size().cy + 30 * (std::min(count, path_rows::kCount) - 1));
            SendMessageA(item(kCountCombo), CB_SETCURSEL, 1, 0);
            show(kMoreButton, true);
            show(kFewerButton, true);
        }
    }

    void count_chosen() {
        if (text(kCountCombo) == kMultiple) {
            show(kMoreButton, true);
            show(kFewerButton, true);
            if (outer_size().cy == rows_height(1)) set_height(rows_height(2));
            return;
        }
        set_height(rows_height(1));
        for (int k = 2; k <= path_rows::kCount; ++k) set_text(path_rows::edit_id(k), "");
        show(kMoreButton, false);
        show(kFewerButton, false);
    }

    // "＋" and "－" move by one row without a bound check; here they are disabled at the ends and
    // the row that has just been hidden is emptied, so OK never takes a text the user cannot see.
    void rows_changed() {
        const int h = outer_size().cy;
        for (int rows = 1; rows <= path_rows::kCount; ++rows) {
            if (h != rows_height(rows)) continue;
            enable(kMoreButton, rows < path_rows::kCount);
            enable(kFewerButton, rows > 1);
            if (rows < path_rows::kCount) set_text(path_rows::edit_id(rows + 1), "");
            return;
        }
    }

    void browse_row(int k) {
        BrowseFolderRequest request;
        request.title = "浏览文件夹";
        request.edit_box = true;
        request.include_files = true;
        if (auto folder = prompt().browse_folder(request)) set_text(path_rows::edit_id(k), *folder);
    }

    // Folders that overlap are refused here already, as the page would refuse them.
    void confirm() {
        std::vector<std::string> entries = path_rows::texts(*this);
        entries.insert(entries.end(), beyond_five_.begin(), beyond_five_.end());
        const std::string joined = with_token_form_offered(gbk::join_non_empty(entries));
        const std::string problem = save_path_problem(joined, edit_.program_path, system_folders());
        if (!problem.empty()) {
            show_message(problem);
            return;
        }
        if (write_back_) write_back_(edit_.page, joined);
        close();
    }

    SavePathsEdit edit_;
    SavePathsWriteBack write_back_;
    int height_adjust_ = 0;  // 193 minus the client height measured at creation
    std::vector<std::string> beyond_five_;
    bool sized_ = false;  // resizes before the rows are measured are the window's own creation
};

}  // namespace

void edit_save_paths(const SavePathsEdit& edit, const SavePathsWriteBack& write_back) {
    if (edit.page == EditPage::modify && edit.project_name.empty()) return;
    MultiPathsWindow window(edit, write_back);
    if (window.create()) window.run_modal();
}
