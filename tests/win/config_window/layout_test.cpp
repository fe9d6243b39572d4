// "配置" as the user sees it: its size, six pages and the controls of each page.
#include <algorithm>

#include "config_fixture.h"
#include "ui/config_window.h"

namespace {

using namespace cfg;

struct Expected {
    int id;
    const char* cls;
    const char* caption;
    int x, y, w, h;
};

// Every control of every page with its window class, caption and place in the client area.
const std::vector<std::vector<Expected>> kPages = {
    {{kModifyNameLabel, "Static", "程序名称", 8, 40, 50, 20},
     {kModifySaveLabel, "Static", "存档路径", 8, 80, 50, 20},
     {kModifyProgramLabel, "Static", "程序路径", 8, 120, 50, 20},
     {kModifyCombo, "ComboBox", nullptr, 70, 40, 360, 0},
     {kModifySaveEdit, "Edit", "", 70, 80, 330, 20},
     {kModifySaveButton, "Button", "…", 405, 80, 25, 20},
     {kModifyProgramEdit, "Edit", "", 70, 120, 330, 20},
     {kModifyProgramButton, "Button", "…", 405, 120, 25, 20},
     {kModifyButton, "Button", "修改", 360, 150, 70, 25},
     {kModifyExitBackupCheck, "Button", "退出后自动备份", 8, 152, 104, 20},
     {kModifyKeepLabel, "Static", "保留份数", 120, 154, 50, 20},
     {kModifyKeepEdit, "Edit", "", 172, 152, 36, 20},
     {kModifyPlayShortcutButton, "Button", "启动并备份快捷方式", 222, 150, 130, 25},
     {kModifyFindButton, "Button", "查找…", 8, 100, 50, 19},
     {kModifySyncCheck, "Button", "同步到服务器", 320, 214, 110, 20}},
    {{kAddNameLabel, "Static", "程序名称", 8, 40, 50, 20},
     {kAddSaveLabel, "Static", "存档路径", 8, 80, 50, 20},
     {kAddProgramLabel, "Static", "程序路径", 8, 120, 50, 20},
     {kAddNameEdit, "Edit", "", 70, 40, 360, 20},
     {kAddSaveEdit, "Edit", "", 70, 80, 330, 20},
     {kAddSaveButton, "Button", "…", 405, 80, 25, 20},
     {kAddProgramEdit, "Edit", "", 70, 120, 330, 20},
     {kAddProgramButton, "Button", "…", 405, 120, 25, 20},
     {kAddButton, "Button", "增加", 360, 150, 70, 25},
     {kAddExitBackupCheck, "Button", "退出后自动备份", 8, 152, 104, 20},
     {kAddKeepLabel, "Static", "保留份数", 120, 154, 50, 20},
     {kAddKeepEdit, "Edit", "", 172, 152, 36, 20},
     {kAddFindButton, "Button", "查找…", 8, 100, 50, 19},
     {kAddSyncCheck, "Button", "同步到服务器", 320, 214, 110, 20}},
    {{kDeleteNameLabel, "Static", "程序名称", 8, 40, 50, 20},
     {kDeleteSaveLabel, "Static", "存档路径", 8, 80, 50, 20},
     {kDeleteProgramLabel, "Static", "程序路径", 8, 120, 50, 20},
     {kDeleteCombo, "ComboBox", "", 70, 40, 360, 0},
     {kDeleteSaveEdit, "Edit", "", 70, 80, 360, 20},
     {kDeleteProgramEdit, "Edit", "", 70, 120, 360, 20},
     {kDeleteButton, "Button", "删除", 360, 150, 70, 25}},
    {{kFolderHelpButton, "Button", "系统目录使用说明", 16, 26, 120, 25},
     {kShortcutButton, "Button", "建立快捷方式到桌面", 308, 26, 120, 25},
     {kFolderGroup, "Button", "系统目录清单", 8, 56, 430, 112},
     {kSpecialFolderCombo, "ComboBox", "特定目录", 16, 72, 115, 0},
     {kSpecialFolderEdit, "Edit", "", 136, 72, 262, 20},
     {kSpecialFolderButton, "Button", "…", 406, 72, 25, 20},
     {kVariableCombo, "ComboBox", "环境变量", 16, 104, 115, 0},
     {kVariableEdit, "Edit", "", 136, 104, 262, 20},
     {kVariableButton, "Button", "…", 406, 104, 25, 20},
     {kTokenLabel, "Static", "特定目录 <***>        环境变量 %***%", 16, 136, 384, 20}},
    {{kSaveConfigLabel, "Static", "本机存档配置文件：", 8, 40, 104, 20},
     {kSaveConfigEdit, "Edit", nullptr, 120, 40, 280, 20},
     {kSaveConfigButton, "Button", "…", 405, 40, 25, 20}},
    {{kAboutEdit, "Edit", nullptr, 7, 31, 430, 136}, {kEmailLabel, "Static", kContactAddress, 292, 31, 98, 12}},
};

const char* const kPageCaptions[] = {"修改", "增加", "删除", "其他", "设置", "关于"};

RECT client_rect_of(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string class_of(HWND w) {
    char buf[64] = {};
    GetClassNameA(w, buf, sizeof buf);
    return buf;
}

LONG style_of(HWND w) { return GetWindowLongA(w, GWL_STYLE); }

TEST_F(ConfigWindowTest, TheWindowHasItsTitleAndAnExactClientArea) {
    HWND w = open();
    char title[64] = {};
    GetWindowTextA(w, title, sizeof title);
    EXPECT_STREQ(title, "配置");
    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 444);
    EXPECT_EQ(client.bottom, 242);  // grown at the bottom for the timed-backup row, then the row of 排除 and sync
    RECT outer;
    GetWindowRect(w, &outer);
    EXPECT_EQ(outer.left, 50);
    EXPECT_EQ(outer.top, 50);
    RECT tabs = client_rect_of(ctl(kTabs));
    EXPECT_EQ(tabs.left, 0);
    EXPECT_EQ(tabs.top, 0);
    EXPECT_EQ(tabs.right, 446);
    EXPECT_EQ(tabs.bottom, 242);
}

TEST_F(ConfigWindowTest, SixPagesInOrderOpeningOnTheFirst) {
    open();
    ASSERT_EQ(SendMessageA(ctl(kTabs), TCM_GETITEMCOUNT, 0, 0), 6);
    for (int i = 0; i < 6; ++i) {
        char buf[32] = {};
        TCITEMA tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = buf;
        tab.cchTextMax = sizeof buf;
        SendMessageA(ctl(kTabs), TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&tab));
        EXPECT_STREQ(buf, kPageCaptions[i]);
    }
    EXPECT_EQ(page(), kPageModify);
}

TEST_F(ConfigWindowTest, EachPageShowsExactlyItsOwnControlsInPlace) {
    open();
    for (int p = 5; p >= 0; --p) {
        click_tab(p);
        ASSERT_EQ(page(), p);
        for (int q = 0; q < 6; ++q) {
            for (const Expected& e : kPages[q]) {
                SCOPED_TRACE("page " + std::to_string(p) + ", control " + std::to_string(e.id));
                HWND c = ctl(e.id);
                ASSERT_NE(c, nullptr);
                EXPECT_EQ(shown(e.id), p == q);
                if (p != q) continue;
                EXPECT_EQ(class_of(c), e.cls);
                if (e.caption) EXPECT_EQ(text(e.id), e.caption);
                RECT r = client_rect_of(c);
                EXPECT_EQ(r.left, e.x);
                EXPECT_EQ(r.top, e.y);
                EXPECT_EQ(r.right - r.left, e.w);
                // A closed combo box is as high as its text field; the others are exact.
                if (e.h) EXPECT_EQ(r.bottom - r.top, e.h);
                else EXPECT_LE(r.bottom - r.top, 24);
            }
        }
    }
}

// The options came later: they take free space of their page and cover nothing that was there.
TEST_F(ConfigWindowTest, TheOptionControlsLieInFreeSpaceOfTheirPages) {
    open();
    RECT pane{};
    GetClientRect(ctl(kTabs), &pane);
    SendMessageA(ctl(kTabs), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&pane));
    const int added[] = {kModifyExitBackupCheck, kModifyKeepLabel, kModifyKeepEdit, kModifyPlayShortcutButton,
                         kAddExitBackupCheck,    kAddKeepLabel,    kAddKeepEdit, kModifySyncCheck, kAddSyncCheck};
    for (int page : {kPageModify, kPageAdd}) {
        for (const Expected& mine : kPages[page]) {
            if (std::find(std::begin(added), std::end(added), mine.id) == std::end(added)) continue;
            RECT r = client_rect_of(ctl(mine.id)), inside{};
            EXPECT_TRUE(IntersectRect(&inside, &r, &pane) && EqualRect(&inside, &r)) << mine.id;
            for (const Expected& other : kPages[page]) {
                if (other.id == mine.id) continue;
                RECT o = client_rect_of(ctl(other.id)), both{};
                EXPECT_FALSE(IntersectRect(&both, &r, &o)) << mine.id << " covers " << other.id;
            }
        }
    }
    EXPECT_TRUE(style_of(ctl(kModifyKeepEdit)) & ES_NUMBER);
    EXPECT_EQ(style_of(ctl(kAddExitBackupCheck)) & BS_TYPEMASK, BS_AUTOCHECKBOX);
}

TEST_F(ConfigWindowTest, ControlKindsFollowTheLayout) {
    open();
    EXPECT_EQ(style_of(ctl(kModifyCombo)) & 3, CBS_DROPDOWN);
    EXPECT_EQ(style_of(ctl(kDeleteCombo)) & 3, CBS_DROPDOWNLIST);
    EXPECT_EQ(style_of(ctl(kSpecialFolderCombo)) & 3, CBS_DROPDOWN);
    EXPECT_EQ(style_of(ctl(kVariableCombo)) & 3, CBS_DROPDOWN);
    for (int id : {kDeleteSaveEdit, kDeleteProgramEdit, kSpecialFolderEdit, kAboutEdit})
        EXPECT_TRUE(style_of(ctl(id)) & ES_READONLY) << id;
    for (int id : {kModifySaveEdit, kModifyProgramEdit, kAddNameEdit, kAddSaveEdit, kAddProgramEdit, kVariableEdit,
                   kSaveConfigEdit})
        EXPECT_FALSE(style_of(ctl(id)) & ES_READONLY) << id;
    EXPECT_TRUE(style_of(ctl(kAboutEdit)) & ES_MULTILINE);
    EXPECT_TRUE(style_of(ctl(kAboutEdit)) & WS_VSCROLL);
    EXPECT_EQ(style_of(ctl(kFolderGroup)) & BS_TYPEMASK, BS_GROUPBOX);
    // The two labels that react to the mouse.
    EXPECT_TRUE(style_of(ctl(kSaveConfigLabel)) & SS_NOTIFY);
    EXPECT_TRUE(style_of(ctl(kEmailLabel)) & SS_NOTIFY);
    // A combo box opens a list long enough to pick from.
    RECT dropped{};
    SendMessageA(ctl(kModifyCombo), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    EXPECT_GE(dropped.bottom - dropped.top, 150);
}

TEST_F(ConfigWindowTest, ReadOnlyBoxesAndTheAddressAreDrawnOnWhite) {
    open();
    click_tab(kPageDelete);
    for (int id : {kDeleteSaveEdit, kDeleteProgramEdit}) {
        HDC dc = GetDC(ctl(id));
        auto brush = SendMessageA(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                  reinterpret_cast<LPARAM>(ctl(id)));
        EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), GetSysColorBrush(COLOR_WINDOW)) << id;
        ReleaseDC(ctl(id), dc);
    }
    HDC dc = GetDC(ctl(kEmailLabel));
    auto brush = SendMessageA(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(ctl(kEmailLabel)));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), GetSysColorBrush(COLOR_WINDOW));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 255));
    ReleaseDC(ctl(kEmailLabel), dc);
}

TEST_F(ConfigWindowTest, TheLookUpListsHoldTheirItemsAndNumbers) {
    open();
    const std::vector<std::string> folders = {"我的文档",     "我的收藏夹",     "系统桌面",       "系统字体",
                                              "开始菜单组",   "程序菜单组",     "启动菜单组",     "程序数据目录",
                                              "Windows安装目录", "Windows系统目录", "临时文件目录"};
    EXPECT_EQ(items(kSpecialFolderCombo), folders);
    for (int i = 0; i < 11; ++i) EXPECT_EQ(SendMessageA(ctl(kSpecialFolderCombo), CB_GETITEMDATA, i, 0), i + 1);
    EXPECT_EQ(items(kVariableCombo), (std::vector<std::string>{"USERPROFILE", "ALLUSERSPROFILE", "APPDATA"}));
    EXPECT_EQ(selection(kSpecialFolderCombo), -1);
    EXPECT_EQ(selection(kVariableCombo), -1);
}

TEST_F(ConfigWindowTest, TheAboutPageIsTheVersionHistoryNewestFirst) {
    open();
    std::string about = text(kAboutEdit);
    int lines = 1;
    for (size_t at = about.find("\r\n"); at != std::string::npos; at = about.find("\r\n", at + 2)) ++lines;
    EXPECT_EQ(lines, 42);
    EXPECT_EQ(about.find("Varnoke"), 0u);
    EXPECT_NE(about.substr(0, about.find("\r\n")).find("V0.99"), std::string::npos);
    EXPECT_NE(about.find("\r\n·用于各类存档的备份和恢复。\r\n"), std::string::npos);
    EXPECT_NE(about.find("2011-10-20"), std::string::npos);
    size_t last = 0;
    for (int v = 99; v >= 91; --v) {
        size_t at = about.find("V0." + std::to_string(v) + "程序更新：");
        ASSERT_NE(at, std::string::npos) << v;
        EXPECT_GT(at, last) << v;
        last = at;
    }
    EXPECT_GT(about.find("鸣谢："), last);
}

TEST_F(ConfigWindowTest, ClickingTheAddressCopiesIt) {
    open();
    click_tab(kPageAbout);
    SendMessageA(ctl(kEmailLabel), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    EXPECT_TRUE(prompt.messages.empty());  // the copy waits for the button to come up
    SendMessageA(ctl(kEmailLabel), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "邮箱已复制到剪辑板");
    EXPECT_EQ(prompt.messages[0].style, mb::kOk);
    EXPECT_EQ(prompt.messages[0].title, "信息：");
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_TEXT);
    ASSERT_NE(data, nullptr);
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(data)), kContactAddress);
    GlobalUnlock(data);
    CloseClipboard();
}

TEST_F(ConfigWindowTest, DoubleClickingTheListLabelShowsTheMachineId) {
    open();
    click_tab(kPageSettings);
    SendMessageA(ctl(kSaveConfigLabel), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 3));
    wintest::pump_messages();
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "0A1B2C3D4E5F7601");
    EXPECT_EQ(prompt.messages[0].title, "本机ID： ");
}

}  // namespace
