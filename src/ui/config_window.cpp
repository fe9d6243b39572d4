#include "ui/config_window.h"

#include <commctrl.h>

#include <cstring>
#include <iterator>
#include <optional>

#include "backup/exclusions.h"
#include "config/names.h"
#include "config/project_edit.h"
#include "paths/files.h"
#include "paths/folders_win.h"
#include "paths/gbk_text.h"
#include "fs/shell_link.h"
#include "ui/config_window_impl.h"
#include "ui/exclusions_window.h"
#include "ui/finder_window.h"
#include "ui/multi_paths_window.h"
#include "ui/other_page.h"
#include "ui/shortcut_win.h"
#include "ui/prompt.h"
#include "fs/file_system.h"

namespace {

using namespace cfg;

constexpr DWORD kLabel = SS_LEFTNOWORDWRAP;  // a caption wider than its label is cut, never wrapped
constexpr DWORD kEdit = WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kCheck = WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kEditableCombo = WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
constexpr DWORD kListCombo = WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
constexpr DWORD kSunken = WS_EX_CLIENTEDGE;
constexpr unsigned kWhite = ctl::kWhiteBackground;
constexpr int kDropDownHeight = 200;  // the list of a combo box; closed it is 20 high

// Page "修改".
const ControlSpec kModifyPage[] = {
    {kModifyNameLabel, "STATIC", "程序名称", 8, 40, 50, 20, kLabel},             // 标签3
    {kModifySaveLabel, "STATIC", "存档路径", 8, 80, 50, 20, kLabel},             // 标签1
    {kModifyProgramLabel, "STATIC", "程序路径", 8, 120, 50, 20, kLabel},         // 标签2
    {kModifyCombo, "COMBOBOX", "", 70, 40, 360, 20, kEditableCombo},              // 组合框_修改
    {kModifySaveEdit, "EDIT", "", 70, 80, 330, 20, kEdit, 0, kSunken},            // 存档路径编辑框_修改
    {kModifySaveButton, "BUTTON", "…", 405, 80, 25, 20, kButton},                // 存档路径文件夹按钮_修改
    {kModifyFindButton, "BUTTON", "查找…", 8, 100, 50, 19, kButton},              // 查找存档按钮_修改
    {kModifyProgramEdit, "EDIT", "", 70, 120, 330, 20, kEdit, 0, kSunken},        // 程序路径编辑框_修改
    {kModifyProgramButton, "BUTTON", "…", 405, 120, 25, 20, kButton},            // 程序路径文件夹按钮_修改
    // What the project does by itself, in the free row left of the button.
    {kModifyExitBackupCheck, "BUTTON", "退出后自动备份", 8, 152, 104, 20, kCheck},            // 退出后备份复选框_修改
    {kModifyKeepLabel, "STATIC", "保留份数", 120, 154, 50, 20, kLabel},                        // 保留份数标签_修改
    {kModifyKeepEdit, "EDIT", "", 172, 152, 36, 20, kEdit | ES_NUMBER, 0, kSunken},            // 保留份数编辑框_修改
    {kModifyPlayShortcutButton, "BUTTON", "启动并备份快捷方式", 222, 150, 130, 25, kButton},    // 启动快捷方式按钮
    {kModifyButton, "BUTTON", "修改", 360, 150, 70, 25, kButton},                 // 修改按钮
    // Backups while the program runs, in the row the window grew by.
    {kModifyTimedLabel, "STATIC", "定时备份", 8, 186, 50, 20, kLabel},
    {kModifyTimedEdit, "EDIT", "", 70, 184, 36, 20, kEdit | ES_NUMBER, 0, kSunken},
    {kModifyTimedUnitLabel, "STATIC", "分钟（0 关闭）", 110, 186, 90, 20, kLabel},
    {kModifyTimedKeepLabel, "STATIC", "自动保留份数", 222, 186, 76, 20, kLabel},
    {kModifyTimedKeepEdit, "EDIT", "", 300, 184, 36, 20, kEdit | ES_NUMBER, 0, kSunken},
    {kModifySyncCheck, "BUTTON", "同步到服务器", 320, 214, 110, 20, kCheck},
    {kModifyExclusionsButton, "BUTTON", "排除…", 8, 214, 50, 20, kButton},
    {kModifyExclusionsLabel, "STATIC", "", 62, 216, 250, 20, kLabel | SS_ENDELLIPSIS},
};

// Page "增加".
const ControlSpec kAddPage[] = {
    {kAddNameLabel, "STATIC", "程序名称", 8, 40, 50, 20, kLabel},                 // 标签4
    {kAddSaveLabel, "STATIC", "存档路径", 8, 80, 50, 20, kLabel},                 // 标签5
    {kAddProgramLabel, "STATIC", "程序路径", 8, 120, 50, 20, kLabel},             // 标签6
    {kAddNameEdit, "EDIT", "", 70, 40, 360, 20, kEdit, 0, kSunken},               // 程序名称编辑框_增加
    {kAddSaveEdit, "EDIT", "", 70, 80, 330, 20, kEdit, 0, kSunken},               // 存档路径编辑框_增加
    {kAddSaveButton, "BUTTON", "…", 405, 80, 25, 20, kButton},                   // 存档路径文件夹按钮_增加
    {kAddFindButton, "BUTTON", "查找…", 8, 100, 50, 19, kButton},                 // 查找存档按钮_增加
    {kAddProgramEdit, "EDIT", "", 70, 120, 330, 20, kEdit, 0, kSunken},           // 程序路径编辑框_增加
    {kAddProgramButton, "BUTTON", "…", 405, 120, 25, 20, kButton},               // 程序路径文件夹按钮_增加
    {kAddExitBackupCheck, "BUTTON", "退出后自动备份", 8, 152, 104, 20, kCheck},               // 退出后备份复选框_增加
    {kAddKeepLabel, "STATIC", "保留份数", 120, 154, 50, 20, kLabel},                           // 保留份数标签_增加
    {kAddKeepEdit, "EDIT", "", 172, 152, 36, 20, kEdit | ES_NUMBER, 0, kSunken},               // 保留份数编辑框_增加
    {kAddButton, "BUTTON", "增加", 360, 150, 70, 25, kButton},                    // 增加按钮
    {kAddTimedLabel, "STATIC", "定时备份", 8, 186, 50, 20, kLabel},
    {kAddTimedEdit, "EDIT", "", 70, 184, 36, 20, kEdit | ES_NUMBER, 0, kSunken},
    {kAddTimedUnitLabel, "STATIC", "分钟（0 关闭）", 110, 186, 90, 20, kLabel},
    {kAddTimedKeepLabel, "STATIC", "自动保留份数", 222, 186, 76, 20, kLabel},
    {kAddTimedKeepEdit, "EDIT", "", 300, 184, 36, 20, kEdit | ES_NUMBER, 0, kSunken},
    {kAddSyncCheck, "BUTTON", "同步到服务器", 320, 214, 110, 20, kCheck},
    {kAddExclusionsButton, "BUTTON", "排除…", 8, 214, 50, 20, kButton},
    {kAddExclusionsLabel, "STATIC", "", 62, 216, 250, 20, kLabel | SS_ENDELLIPSIS},
};

// Page "删除".
const ControlSpec kDeletePage[] = {
    {kDeleteNameLabel, "STATIC", "程序名称", 8, 40, 50, 20, kLabel},                           // 标签7
    {kDeleteSaveLabel, "STATIC", "存档路径", 8, 80, 50, 20, kLabel},                           // 标签8
    {kDeleteProgramLabel, "STATIC", "程序路径", 8, 120, 50, 20, kLabel},                       // 标签9
    {kDeleteCombo, "COMBOBOX", "", 70, 40, 360, 20, kListCombo},                                // 组合框_删除
    {kDeleteSaveEdit, "EDIT", "", 70, 80, 360, 20, kEdit | ES_READONLY, kWhite, kSunken},       // 存档路径编辑框_删除
    {kDeleteProgramEdit, "EDIT", "", 70, 120, 360, 20, kEdit | ES_READONLY, kWhite, kSunken},   // 程序路径编辑框_删除
    {kDeleteButton, "BUTTON", "删除", 360, 150, 70, 25, kButton},                               // 删除按钮
};

// Page "其他"; the look-up controls sit in the group box 分组框1 at (8, 56).
constexpr int kGx = 8, kGy = 56;
const ControlSpec kOtherPage[] = {
    {kFolderHelpButton, "BUTTON", "系统目录使用说明", 16, 26, 120, 25, kButton},          // 系统目录说明按钮
    {kShortcutButton, "BUTTON", "建立快捷方式到桌面", 308, 26, 120, 25, kButton},         // 建立快捷方式按钮
    {kSpecialFolderCombo, "COMBOBOX", "", kGx + 8, kGy + 16, 115, 20, kEditableCombo},      // 特殊目录组合框
    {kSpecialFolderEdit, "EDIT", "", kGx + 128, kGy + 16, 262, 20, kEdit | ES_READONLY, kWhite, kSunken},  // 特定目录编辑框
    {kSpecialFolderButton, "BUTTON", "…", kGx + 398, kGy + 16, 25, 20, kButton},           // 按钮1
    {kVariableCombo, "COMBOBOX", "", kGx + 8, kGy + 48, 115, 20, kEditableCombo},           // 环境变量组合框
    {kVariableEdit, "EDIT", "", kGx + 128, kGy + 48, 262, 20, kEdit, 0, kSunken},           // 环境变量编辑框
    {kVariableButton, "BUTTON", "…", kGx + 398, kGy + 48, 25, 20, kButton},                // 环境变量按钮
    {kTokenLabel, "STATIC", "特定目录 <***>        环境变量 %***%", kGx + 8, kGy + 80, 384, 20, kLabel},  // 标签12
    {kFolderGroup, "BUTTON", "系统目录清单", kGx, kGy, 430, 112, BS_GROUPBOX | WS_CLIPSIBLINGS},  // 分组框1
};

// Page "设置".
const ControlSpec kSettingsPage[] = {
    {kSaveConfigLabel, "STATIC", "本机存档配置文件：", 8, 40, 104, 20, kLabel | SS_NOTIFY},  // 标签10
    {kSaveConfigEdit, "EDIT", "", 120, 40, 280, 20, kEdit, 0, kSunken},                      // 存档配置文件编辑框
    {kSaveConfigButton, "BUTTON", "…", 405, 40, 25, 20, kButton},                           // 存档配置文件按钮
    // The quick keys of this machine, in the free space below.
    {kQuickBackupLabel, "STATIC", "快速备份键：", 8, 82, 104, 20, kLabel},
    {kQuickBackupHotKey, HOTKEY_CLASSA, "", 120, 80, 140, 20, WS_TABSTOP, 0, kSunken},
    {kQuickRestoreLabel, "STATIC", "快速恢复键：", 8, 112, 104, 20, kLabel},
    {kQuickRestoreHotKey, HOTKEY_CLASSA, "", 120, 110, 140, 20, WS_TABSTOP, 0, kSunken},
    {kQuickKeyStatusLabel, "STATIC", "", 8, 142, 422, 20, kLabel},
    // The server or folder this machine's sets are synced with, in the row the window grew by.
    {kSyncAddressLabel, "STATIC", "服务器地址：", 8, 168, 104, 20, kLabel},
    {kSyncAddressEdit, "EDIT", "", 120, 166, 310, 20, kEdit, 0, kSunken},
    {kSyncUserLabel, "STATIC", "用户名：", 8, 192, 104, 20, kLabel},
    {kSyncUserEdit, "EDIT", "", 120, 190, 110, 20, kEdit, 0, kSunken},
    {kSyncPasswordLabel, "STATIC", "密码：", 240, 192, 40, 20, kLabel},
    {kSyncPasswordEdit, "EDIT", "", 282, 190, 148, 20, kEdit | ES_PASSWORD, 0, kSunken},
    {kSyncTestButton, "BUTTON", "测试连接", 8, 214, 70, 22, kButton},
    {kSyncSaveButton, "BUTTON", "保存", 84, 214, 50, 22, kButton},
    {kSyncStatusLabel, "STATIC", "", 142, 217, 288, 20, kLabel},
};

// Page "关于"; the address label lies on the text box, above it.
const ControlSpec kAboutPage[] = {
    {kEmailLabel, "STATIC", kContactAddress, 292, 31, 98, 12, kLabel | SS_NOTIFY, ctl::kHandCursor | kWhite},  // 邮箱标签
    {kAboutEdit, "EDIT", "", 7, 31, 430, 136,
     ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_CLIPSIBLINGS, kWhite, kSunken},  // 编辑框1
};

struct Page {
    const char* caption;
    const ControlSpec* controls;
    size_t count;
};

template <size_t N>
constexpr Page page(const char* caption, const ControlSpec (&controls)[N]) {
    return {caption, controls, N};
}

const Page kPages[] = {page("修改", kModifyPage),   page("增加", kAddPage),     page("删除", kDeletePage),
                       page("其他", kOtherPage),    page("设置", kSettingsPage), page("关于", kAboutPage)};

// 选择夹1: created last so that it lies beneath the pages.
const ControlSpec kTabControl[] = {{kTabs, WC_TABCONTROLA, "", 0, 0, 446, 242, WS_TABSTOP | WS_CLIPSIBLINGS}};

bool put_on_clipboard(HWND owner, const std::string& text) {
    if (!OpenClipboard(owner)) return false;
    bool ok = false;
    if (EmptyClipboard()) {
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
        if (mem) {
            memcpy(GlobalLock(mem), text.c_str(), text.size() + 1);
            GlobalUnlock(mem);
            ok = SetClipboardData(CF_TEXT, mem) != nullptr;
            if (!ok) GlobalFree(mem);
        }
    }
    CloseClipboard();
    return ok;
}

}  // namespace

bool ConfigWindow::open() {
    if (!create("配置", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 50, 50, 450, 274)) return false;
    delete_on_destroy();
    fit_client_area(444, 242);
    create_layout();
    for (int page : {kPageModify, kPageAdd}) show_exclusions(page, "");
    fill_fixed_lists();
    load_config_lists();
    select_page(kPageModify);
    if (!context_.dropped_file.empty()) prefill_dropped_file(context_.dropped_file);
    set_text(kSaveConfigEdit, fs::shown(context_.save_config_path));
    if (context_.page) select_page(*context_.page);
    ShowWindow(hwnd(), SW_SHOW);
    return true;
}

void ConfigWindow::create_layout() {
    for (const Page& p : kPages) create_controls(p.controls, p.count);
    create_controls(kTabControl);
    HWND tabs = item(kTabs);
    for (int i = 0; i < static_cast<int>(std::size(kPages)); ++i) {
        TCITEMA tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = const_cast<char*>(kPages[i].caption);
        SendMessageA(tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&tab));
    }
    for (int id : {kModifyCombo, kDeleteCombo, kSpecialFolderCombo, kVariableCombo}) {
        RECT r;
        GetWindowRect(item(id), &r);
        SetWindowPos(item(id), nullptr, 0, 0, r.right - r.left, kDropDownHeight, SWP_NOMOVE | SWP_NOZORDER);
    }
    for (int id : {kModifyKeepEdit, kAddKeepEdit, kModifyTimedKeepEdit, kAddTimedKeepEdit})
        SendMessageA(item(id), EM_SETLIMITTEXT, 4, 0);
    for (int id : {kModifyTimedEdit, kAddTimedEdit}) SendMessageA(item(id), EM_SETLIMITTEXT, 3, 0);
    show_quick_keys();
    show_sync_settings();
    set_text(kAboutEdit, about_text());
    SetWindowSubclass(item(kEmailLabel), &ConfigWindow::contact_label_proc, 1, reinterpret_cast<DWORD_PTR>(this));
}

void ConfigWindow::fill_fixed_lists() {
    fill_special_directory_combo(item(kSpecialFolderCombo));
    fill_environment_combo(item(kVariableCombo));
}

// A program or shortcut dropped on the main window becomes a new project to add.
void ConfigWindow::prefill_dropped_file(const std::string& path) {
    select_page(kPageAdd);
    set_text(kAddNameEdit, program_name_from_path(path, true));
    std::string program = path;
    if (is_shortcut_path(path)) {
        program = fs::shortcut_target(fs::path_of(path));
        if (!program.empty() && program.back() == ' ') program.pop_back();
    }
    set_text(kAddProgramEdit, program);
}

int ConfigWindow::current_page() const {
    return static_cast<int>(SendMessageA(item(kTabs), TCM_GETCURSEL, 0, 0));
}

void ConfigWindow::select_page(int page) {
    SendMessageA(item(kTabs), TCM_SETCURSEL, page, 0);
    show_page(page);
}

void ConfigWindow::show_page(int page) {
    for (int p = 0; p < static_cast<int>(std::size(kPages)); ++p)
        for (size_t i = 0; i < kPages[p].count; ++i) show(kPages[p].controls[i].id, p == page);
}

void ConfigWindow::on_command(int id, int code) {
    switch (id) {
        case kModifyCombo:
            if (code == CBN_SELCHANGE) on_modify_selected();
            break;
        case kDeleteCombo:
            if (code == CBN_SELCHANGE) on_delete_selected();
            break;
        case kSpecialFolderCombo:
            if (code == CBN_SELCHANGE) on_special_folder_selected();
            break;
        case kVariableCombo:
            if (code == CBN_SELCHANGE || code == CBN_EDITCHANGE) on_variable_changed(code == CBN_SELCHANGE);
            break;
        case kQuickBackupHotKey:
        case kQuickRestoreHotKey:
            if (code == EN_CHANGE) quick_key_changed(id);
            break;
        case kSaveConfigLabel:
            if (code == STN_DBLCLK) show_message(context_.machine_id, mb::kOk, "本机ID： ");
            break;
        default:
            if (code != BN_CLICKED) break;
            switch (id) {
                case kModifyButton: modify_project(); break;
                case kModifyExclusionsButton: edit_page_exclusions(kPageModify); break;
                case kAddExclusionsButton: edit_page_exclusions(kPageAdd); break;
                case kAddButton: add_project(); break;
                case kDeleteButton: delete_project(); break;
                case kSaveConfigButton: choose_save_config(); break;
                case kAddProgramButton: browse_program(kAddProgramEdit, kAddNameEdit); break;
                case kModifyProgramButton: browse_program(kModifyProgramEdit, 0); break;
                case kModifySaveButton: edit_save_locations(EditPage::modify); break;
                case kAddSaveButton: edit_save_locations(EditPage::add); break;
                case kModifyFindButton: find_save_location(EditPage::modify); break;
                case kAddFindButton: find_save_location(EditPage::add); break;
                case kSpecialFolderButton: open_in_shell(text(kSpecialFolderEdit)); break;
                case kVariableButton: open_in_shell(text(kVariableEdit)); break;
                case kFolderHelpButton: show_system_directory_help(); break;
                case kShortcutButton: create_desktop_shortcut(fs::shown(context_.folders.tool_dir)); break;
                case kModifyPlayShortcutButton: create_play_shortcut(); break;
                case kSyncTestButton: test_sync_connection(); break;
                case kSyncSaveButton: save_sync_settings(); break;
            }
    }
}

bool ConfigWindow::on_message(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    if (msg == kSyncTestedMessage) {
        sync_tested(reinterpret_cast<std::string*>(lp));
        *result = 0;
        return true;
    }
    if (msg == kCheckQuickKeysMessage) {
        check_quick_keys();
        *result = 0;
        return true;
    }
    if (msg == WM_NOTIFY) {
        const auto* n = reinterpret_cast<const NMHDR*>(lp);
        if (n->idFrom != kTabs) return false;
        if (n->code == TCN_SELCHANGING) {
            *result = on_page_changed() ? FALSE : TRUE;
            return true;
        }
        if (n->code == TCN_SELCHANGE) show_page(current_page());
        return false;
    }
    if (msg == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lp) == item(kEmailLabel)) {
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, RGB(0, 0, 255));  // drawn as a link: a click copies it
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        *result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        return true;
    }
    if ((msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORBTN) && lies_on_pane(reinterpret_cast<HWND>(lp))) {
        *result = reinterpret_cast<LRESULT>(pane_brush(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)));
        return true;
    }
    if (msg == WM_ERASEBKGND) {
        // Themed buttons draw their corners from here: show the page beneath them.
        HDC dc = reinterpret_cast<HDC>(wp);
        RECT client;
        GetClientRect(hwnd(), &client);
        FillRect(dc, &client, pane_brush(dc, hwnd()));
        *result = TRUE;
        return true;
    }
    if (msg == WM_THEMECHANGED || msg == WM_SYSCOLORCHANGE) release_pane_brush();
    return false;
}

// Labels, the group box and buttons lie on the tab control's page but are not its children, so
// they paint their background with a picture of the page (white under a visual style).
bool ConfigWindow::lies_on_pane(HWND control) const {
    if (GetParent(control) != hwnd() || control == item(kTabs)) return false;
    char cls[16] = {};
    GetClassNameA(control, cls, sizeof cls);
    return lstrcmpiA(cls, "Static") == 0 || lstrcmpiA(cls, "Button") == 0;
}

HBRUSH ConfigWindow::pane_brush(HDC dc, HWND control) {
    if (!pane_brush_) {
        HWND tabs = item(kTabs);
        RECT r;
        GetClientRect(tabs, &r);
        HDC screen = GetDC(tabs);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP picture = CreateCompatibleBitmap(screen, r.right, r.bottom);
        HGDIOBJ previous = SelectObject(memory, picture);
        FillRect(memory, &r, GetSysColorBrush(COLOR_BTNFACE));
        SendMessageA(tabs, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT | PRF_ERASEBKGND);
        SelectObject(memory, previous);
        DeleteDC(memory);
        ReleaseDC(tabs, screen);
        pane_brush_ = CreatePatternBrush(picture);
        DeleteObject(picture);
    }
    // The picture starts at the tab control's corner, which is the window's (0, 0).
    POINT origin{0, 0};
    if (control != hwnd()) MapWindowPoints(control, hwnd(), &origin, 1);
    POINT viewport{};
    GetViewportOrgEx(dc, &viewport);
    SetBrushOrgEx(dc, viewport.x - origin.x, viewport.y - origin.y, nullptr);
    SetBkMode(dc, TRANSPARENT);
    return pane_brush_;
}

void ConfigWindow::release_pane_brush() {
    if (pane_brush_) DeleteObject(pane_brush_);
    pane_brush_ = nullptr;
}

void ConfigWindow::on_destroy() {
    release_pane_brush();
    RemoveWindowSubclass(item(kEmailLabel), &ConfigWindow::contact_label_proc, 1);
    project_names_.clear();
    modify_name_.clear();
    modify_saved_path_.clear();
    if (events_.closed) events_.closed();
}

// `通用对话框1`: picks the program; on the page "增加" an empty name is taken from its file name.
void ConfigWindow::browse_program(int path_edit, int name_edit) {
    std::string current = text(path_edit);
    constexpr int kDesktop = 3;  // "系统桌面" of the page "其他"
    OpenFileRequest request{"选择游戏路径", "程序|*.exe", special_directory_path(kDesktop), "", ""};
    if (!current.empty()) {
        // The box holds a program, and a dialog starts only in a folder: the program's.
        request.initial_dir = files().is_folder(fs::path_of(current)) ? current : gbk::up_to_last_backslash(current);
    }
    std::optional<std::string> chosen = prompt().open_file(request);
    if (!chosen) return;
    set_text(path_edit, *chosen);
    if (name_edit && text(name_edit).empty()) set_text(name_edit, program_name_from_path(*chosen, false));
}

namespace {

// The timed-backup boxes of the page whose 保留份数 box this is.
int timed_edit(int keep_edit) { return keep_edit == kModifyKeepEdit ? kModifyTimedEdit : kAddTimedEdit; }
int timed_keep_edit(int keep_edit) { return keep_edit == kModifyKeepEdit ? kModifyTimedKeepEdit : kAddTimedKeepEdit; }
int sync_check(int keep_edit) { return keep_edit == kModifyKeepEdit ? kModifySyncCheck : kAddSyncCheck; }

}  // namespace

ProjectOptions ConfigWindow::page_options(int check, int keep_edit) const {
    ProjectOptions o;
    o.backup_on_exit = SendMessageA(item(check), BM_GETCHECK, 0, 0) == BST_CHECKED;
    o.keep_sets = parse_keep_sets(text(keep_edit));
    o.timed_minutes = parse_timed_minutes(text(timed_edit(keep_edit)));
    if (o.timed_minutes > 0) o.timed_keep = parse_timed_keep(text(timed_keep_edit(keep_edit)));
    o.sync = SendMessageA(item(sync_check(keep_edit)), BM_GETCHECK, 0, 0) == BST_CHECKED;
    o.exclusions = keep_edit == kModifyKeepEdit ? modify_exclusions_ : add_exclusions_;
    return o;
}

void ConfigWindow::show_options(int check, int keep_edit, const ProjectOptions& o) {
    SendMessageA(item(check), BM_SETCHECK, o.backup_on_exit ? BST_CHECKED : BST_UNCHECKED, 0);
    set_text(keep_edit, o.keep_sets > 0 ? std::to_string(o.keep_sets) : "");
    set_text(timed_edit(keep_edit), o.timed_minutes > 0 ? std::to_string(o.timed_minutes) : "");
    set_text(timed_keep_edit(keep_edit), o.timed_minutes > 0 ? std::to_string(o.timed_keep) : "");
    SendMessageA(item(sync_check(keep_edit)), BM_SETCHECK, o.sync ? BST_CHECKED : BST_UNCHECKED, 0);
    show_exclusions(keep_edit == kModifyKeepEdit ? kPageModify : kPageAdd, o.exclusions);
}

void ConfigWindow::show_exclusions(int page, const std::string& stored) {
    (page == kPageModify ? modify_exclusions_ : add_exclusions_) = stored;
    set_text(page == kPageModify ? kModifyExclusionsLabel : kAddExclusionsLabel, exclusions_summary(stored));
}

// 排除… edits the patterns of the page; they are written with the project by 修改 or 增加.
void ConfigWindow::edit_page_exclusions(int page) {
    const std::string name = text(page == kPageModify ? kModifyCombo : kAddNameEdit);
    const std::optional<std::string> edited =
        edit_exclusions(name, page == kPageModify ? modify_exclusions_ : add_exclusions_);
    if (edited) show_exclusions(page, *edited);
}

// The shortcut is made for a project of the list, with the program path as stored.
void ConfigWindow::create_play_shortcut() {
    const std::string typed = text(kModifyCombo);
    const int index = typed.empty() ? -1 : find_list_item(project_names_, typed);
    if (index < 0 || !same_project(project_names_[static_cast<size_t>(index)], typed)) {
        show_message("请选择修改项目！");
        focus(kModifyCombo);
        return;
    }
    const std::string& name = project_names_[static_cast<size_t>(index)];
    const ProjectFiles store = project_files();
    const std::string program = expand_program_path(store.read(name, names::kProgramPathKey), system_folders());
    ::create_play_shortcut(fs::shown(context_.folders.tool_dir), name, program);
}

// "多个位置" edits the save path of the page that opened it and writes the joined paths back there.
void ConfigWindow::edit_save_locations(EditPage page) {
    auto write_back = [this](EditPage to, const std::string& joined) {
        set_text(to == EditPage::modify ? kModifySaveEdit : kAddSaveEdit, joined);
    };
    if (page == EditPage::modify)
        edit_save_paths({page, text(kModifyCombo), text(kModifySaveEdit), text(kModifyProgramEdit)}, write_back);
    else
        edit_save_paths({page, text(kAddNameEdit), text(kAddSaveEdit), text(kAddProgramEdit)}, write_back);
}

// "查找存档位置" watches the page's program and puts the chosen folders into its save path.
void ConfigWindow::find_save_location(EditPage page) {
    const bool modify = page == EditPage::modify;
    const int program_edit = modify ? kModifyProgramEdit : kAddProgramEdit;
    const int save_edit = modify ? kModifySaveEdit : kAddSaveEdit;
    if (text(program_edit).empty()) {
        show_message("请先选择程序路径！");
        focus(program_edit);
        return;
    }
    find_save_locations({context_.fs, text(program_edit), context_.folders.tool_dir},
                        [this, save_edit](const std::string& joined, const std::string& exclusions) {
                            set_text(save_edit, joined);
                            const int page = save_edit == kModifySaveEdit ? kPageModify : kPageAdd;
                            const std::string& now = page == kPageModify ? modify_exclusions_ : add_exclusions_;
                            if (!exclusions.empty()) show_exclusions(page, backup::join_exclusions({now, exclusions}));
                        });
}

void ConfigWindow::on_special_folder_selected() {
    set_text(kSpecialFolderEdit, special_directory_folder(selected_item_data(item(kSpecialFolderCombo))));
}

// On a selection the combo's own text still holds the previous entry; the chosen item is the name.
void ConfigWindow::on_variable_changed(bool selected) {
    std::string name = selected ? selected_text(kVariableCombo) : text(kVariableCombo);
    set_text(kVariableEdit, environment_value(name));
}

void ConfigWindow::copy_contact_address() {
    if (put_on_clipboard(hwnd(), text(kEmailLabel))) show_message("邮箱已复制到剪辑板");
}

LRESULT CALLBACK ConfigWindow::contact_label_proc(HWND label, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                                  DWORD_PTR self) {
    if (msg == WM_LBUTTONUP) reinterpret_cast<ConfigWindow*>(self)->copy_contact_address();
    return DefSubclassProc(label, msg, wp, lp);
}

std::string ConfigWindow::selected_text(int combo) const {
    LRESULT sel = SendMessageA(item(combo), CB_GETCURSEL, 0, 0);
    if (sel == CB_ERR) return text(combo);
    std::vector<std::string> items = combo_items(combo);
    return static_cast<size_t>(sel) < items.size() ? items[static_cast<size_t>(sel)] : text(combo);
}

std::vector<std::string> ConfigWindow::combo_items(int combo) const {
    std::vector<std::string> items;
    HWND c = item(combo);
    int count = static_cast<int>(SendMessageA(c, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        LRESULT n = SendMessageA(c, CB_GETLBTEXTLEN, i, 0);
        std::string s(static_cast<size_t>(n > 0 ? n : 0) + 1, '\0');
        n = SendMessageA(c, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(s.data()));
        s.resize(static_cast<size_t>(n > 0 ? n : 0));
        items.push_back(s);
    }
    return items;
}

// Programmatic: the list's own selection event does not follow.
void ConfigWindow::select_list_item(int combo, const std::string& name) {
    int index = find_list_item(combo_items(combo), name);
    if (index >= 0) SendMessageA(item(combo), CB_SETCURSEL, index, 0);
}

HWND open_config_window(const ConfigContext& context, ConfigEvents events) {
    auto* w = new ConfigWindow(context, std::move(events));
    if (w->open()) return w->hwnd();
    delete w;
    return nullptr;
}
