// How "配置" opens, changes pages, picks files and gives way to the main window again.
#include <shlobj.h>

#include "app/main_window.h"
#include "config/ini.h"
#include "config_fixture.h"
#include "ui/config_window.h"

namespace {

using namespace cfg;

class Flow : public ConfigWindowTest {
   protected:
    void SetUp() override {
        ConfigWindowTest::SetUp();
        write_list("[仙剑奇侠传四]\r\n存档路径=C:\\PAL4\\save\r\n程序路径=C:\\PAL4\\PAL4.exe\r\n"
                   "[Half-Life 2]\r\n存档路径=D:\\hl2\\save\r\n");
    }
    std::vector<int> visible_controls() const {
        std::vector<int> ids;
        for (HWND c = GetWindow(window_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (IsWindowVisible(c) && GetDlgCtrlID(c) != kTabs) ids.push_back(GetDlgCtrlID(c));
        return ids;
    }
    void edit_modify_save_path(const std::string& path) {
        select(kModifyCombo, "仙剑奇侠传四");
        set(kModifySaveEdit, path);
    }
};

bool make_shortcut(const std::string& lnk, const std::string& target) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return false;
    link->SetPath(target.c_str());
    IPersistFile* file = nullptr;
    bool saved = false;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, lnk.c_str(), -1, wide, MAX_PATH);
        saved = SUCCEEDED(file->Save(wide, TRUE));
        file->Release();
    }
    link->Release();
    return saved;
}

TEST_F(Flow, LeavingAChangedSavePathAsksAndYesSavesIt) {
    open();
    edit_modify_save_path("E:\\PAL4");
    click_tab(kPageDelete);
    ASSERT_EQ(prompt.messages.size(), 2u);
    EXPECT_EQ(prompt.messages[0].text, "存档路径有改动是否保存？");
    EXPECT_EQ(prompt.messages[0].style, 36u);
    EXPECT_EQ(prompt.messages[0].title, "温馨提示");
    EXPECT_EQ(prompt.messages[1].text, "仙剑奇侠传四 修改成功！");
    EXPECT_EQ(value("仙剑奇侠传四", "存档路径"), "E:\\PAL4");
    EXPECT_EQ(page(), kPageDelete);
    EXPECT_EQ(text(kDeleteSaveEdit), "E:\\PAL4");
}

TEST_F(Flow, NoKeepsTheEditUnsavedAndAsksNoMore) {
    open();
    edit_modify_save_path("E:\\PAL4");
    prompt.answers = {mb::kIdNo};
    click_tab(kPageAdd);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"存档路径有改动是否保存？"});
    EXPECT_EQ(page(), kPageAdd);
    EXPECT_EQ(value("仙剑奇侠传四", "存档路径"), "C:\\PAL4\\save");
    click_tab(kPageModify);
    EXPECT_EQ(text(kModifySaveEdit), "E:\\PAL4");
    click_tab(kPageAdd);
    EXPECT_EQ(prompt.messages.size(), 1u);
}

TEST_F(Flow, AnUnchangedPathOrAnotherPageAsksNothing) {
    open();
    select(kModifyCombo, "仙剑奇侠传四");
    click_tab(kPageOther);
    click_tab(kPageSettings);
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(page(), kPageSettings);
}

TEST_F(Flow, ASaveThatIsRefusedKeepsThePageWithTheFocusOnTheField) {
    open();
    edit_modify_save_path("");
    click_tab(kPageAbout);
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{"存档路径有改动是否保存？", "存档路径不能为空！"}));
    EXPECT_EQ(page(), kPageModify);
    EXPECT_TRUE(shown(kModifySaveEdit));
    EXPECT_FALSE(shown(kAboutEdit));
    EXPECT_TRUE(focused(kModifySaveEdit));
    EXPECT_EQ(value("仙剑奇侠传四", "存档路径"), "C:\\PAL4\\save");
}

TEST_F(Flow, AnotherProjectListIsChosenAndRemembered) {
    std::string other = dir / "配置目录\\朋友的配置.ini";
    wintest::write_file(other, "[模擬市民3]\r\n存档路径=C:\\sims\r\n");
    open();
    EXPECT_EQ(text(kSaveConfigEdit), list_path());
    click_tab(kPageSettings);
    prompt.open_answers = {other};
    click(kSaveConfigButton);
    ASSERT_EQ(prompt.open_requests.size(), 1u);
    EXPECT_EQ(prompt.open_requests[0].title, "选择存档配置文件：");
    EXPECT_EQ(prompt.open_requests[0].filter, "配置文件|*.ini");
    EXPECT_EQ(prompt.open_requests[0].initial_dir, dir / "配置目录\\");
    EXPECT_EQ(text(kSaveConfigEdit), other);
    EXPECT_EQ(wintest::ansi(app().save_config_path), other);
    EXPECT_EQ(read_ini_value(dir / "配置目录\\系统配置文件.ini", "存档配置", app().machine_id), other);
    EXPECT_EQ(items(kModifyCombo), std::vector<std::string>{"模擬市民3"});
    EXPECT_EQ(items(kDeleteCombo), std::vector<std::string>{"模擬市民3"});
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(Flow, AProjectLoadedFromTheFormerListIsNeverRenamedInTheNewOne) {
    std::string other = dir / "配置目录\\朋友的配置.ini";
    wintest::write_file(other, "[仙剑奇侠传四]\r\n存档路径=E:\\friend\r\n");
    open();
    select(kModifyCombo, "仙剑奇侠传四");
    click_tab(kPageSettings);
    prompt.open_answers = {other};
    click(kSaveConfigButton);
    click_tab(kPageModify);
    EXPECT_EQ(text(kModifyCombo), "");
    SetWindowTextA(ctl(kModifyCombo), "新项目");
    click(kModifyButton);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"新项目 修改成功！"});
    EXPECT_EQ(read_ini_value(other, "仙剑奇侠传四", "存档路径"), "E:\\friend");
    EXPECT_EQ(read_ini_value(other, "新项目", "存档路径"), "C:\\PAL4\\save");
}

TEST_F(Flow, TheSystemConfigurationFileIsRefusedAndTheDialogComesBack) {
    std::string system = dir / "配置目录\\系统配置文件.ini";
    wintest::write_file(system, "[存档配置]\r\n");
    open();
    click_tab(kPageSettings);
    set(kSaveConfigEdit, "");
    prompt.open_answers = {system, std::nullopt};
    click(kSaveConfigButton);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "不允许选择[系统配置文件]");
    EXPECT_EQ(prompt.messages[0].style, mb::kOk);
    EXPECT_EQ(prompt.messages[0].title, "提醒：");
    ASSERT_EQ(prompt.open_requests.size(), 2u);
    EXPECT_EQ(prompt.open_requests[1].initial_dir, dir / "配置目录\\");  // the box is empty
    // Cancelled at last: nothing changed.
    EXPECT_EQ(wintest::ansi(app().save_config_path), list_path());
    EXPECT_EQ(text(kSaveConfigEdit), "");
    EXPECT_EQ(wintest::read_file(system), "[存档配置]\r\n");
    EXPECT_EQ(items(kModifyCombo).size(), 2u);
}

TEST_F(Flow, ADroppedProgramFillsThePageAdd) {
    open(dir / "Games\\SIMS3.EXE");
    EXPECT_EQ(page(), kPageAdd);
    EXPECT_TRUE(shown(kAddNameEdit));
    EXPECT_FALSE(shown(kModifyCombo));
    EXPECT_EQ(text(kAddNameEdit), "SIMS3");
    EXPECT_EQ(text(kAddProgramEdit), dir / "Games\\SIMS3.EXE");
    EXPECT_EQ(text(kAddSaveEdit), "");
}

TEST_F(Flow, ADroppedShortcutGivesItsTarget) {
    wintest::make_dirs(dir / "仙剑");
    wintest::write_file(dir / "仙剑\\PAL4.exe", "MZ");
    ASSERT_TRUE(make_shortcut(dir / "仙剑奇侠传四.lnk", dir / "仙剑\\PAL4.exe"));
    open(dir / "仙剑奇侠传四.lnk");
    EXPECT_EQ(page(), kPageAdd);
    EXPECT_EQ(text(kAddNameEdit), "仙剑奇侠传四");
    EXPECT_EQ(text(kAddProgramEdit), dir / "仙剑\\PAL4.exe");
}

TEST_F(Flow, ADeclinedStartUpPromptOpensThePageSettingsEvenAfterADrop) {
    app().config_unchosen = true;
    app().save_config_path.clear();
    open(dir / "game.exe");
    EXPECT_EQ(page(), kPageSettings);
    EXPECT_EQ(visible_controls(), (std::vector<int>{kSaveConfigLabel, kSaveConfigEdit, kSaveConfigButton, kQuickBackupLabel,
                                                    kQuickBackupHotKey, kQuickRestoreLabel, kQuickRestoreHotKey,
                                                    kQuickKeyStatusLabel, kSyncAddressLabel, kSyncAddressEdit,
                                                    kSyncUserLabel, kSyncUserEdit, kSyncPasswordLabel, kSyncPasswordEdit,
                                                    kSyncTestButton, kSyncSaveButton, kSyncStatusLabel}));
    EXPECT_EQ(text(kSaveConfigEdit), "");
    EXPECT_TRUE(items(kModifyCombo).empty());
    EXPECT_EQ(text(kAddNameEdit), "game");  // filled all the same
    // No list is chosen yet: there is nowhere to add to.
    click_tab(kPageAdd);
    set(kAddSaveEdit, "C:\\game\\save");
    click(kAddButton);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"game 增加失败！"});
}

TEST_F(Flow, ClosingBringsTheMainWindowBackAndForgetsTheDrop) {
    app().config_unchosen = true;
    open(dir / "game.exe");
    click_tab(kPageAdd);
    set(kAddSaveEdit, "C:\\game\\save");
    click(kAddButton);
    EXPECT_TRUE(windows_titled("Varnoke").empty());
    DestroyWindow(window_);
    wintest::pump_messages();
    EXPECT_EQ(wintest::own_window("配置"), nullptr);
    std::vector<HWND> main = windows_titled("Varnoke");
    ASSERT_EQ(main.size(), 1u);
    EXPECT_FALSE(app().config_unchosen);
    // Rebuilt from the file, where the new project is now the latest.
    HWND list = GetDlgItem(main[0], MainWindow::kProjectCombo);
    ASSERT_EQ(wintest::combo_count(list), 3);
    EXPECT_EQ(wintest::combo_item(list, 0), "game");
    EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), CB_ERR);
}

TEST_F(Flow, BrowsingForTheProgramFillsPathAndEmptyName) {
    open();
    click_tab(kPageAdd);
    prompt.open_answers = {std::string("D:\\Games\\PAL4\\PAL4.EXE")};
    click(kAddProgramButton);
    ASSERT_EQ(prompt.open_requests.size(), 1u);
    EXPECT_EQ(prompt.open_requests[0].title, "选择游戏路径");
    EXPECT_EQ(prompt.open_requests[0].filter, "程序|*.exe");
    char desktop[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);
    EXPECT_EQ(prompt.open_requests[0].initial_dir, std::string(desktop) + "\\");
    EXPECT_EQ(text(kAddProgramEdit), "D:\\Games\\PAL4\\PAL4.EXE");
    EXPECT_EQ(text(kAddNameEdit), "PAL4");

    // A name already there stays; the dialog starts in the program's folder.
    set(kAddNameEdit, "仙剑四");
    prompt.open_answers = {std::string("D:\\Other\\other.exe")};
    click(kAddProgramButton);
    EXPECT_EQ(prompt.open_requests[1].initial_dir, "D:\\Games\\PAL4\\");
    EXPECT_EQ(text(kAddNameEdit), "仙剑四");
    EXPECT_EQ(text(kAddProgramEdit), "D:\\Other\\other.exe");

    click(kAddProgramButton);  // cancelled
    EXPECT_EQ(text(kAddProgramEdit), "D:\\Other\\other.exe");
}

TEST_F(Flow, BrowsingOnThePageModifyFillsOnlyThePath) {
    open();
    select(kModifyCombo, "Half-Life 2");
    prompt.open_answers = {std::string("D:\\hl2\\hl2.exe")};
    click(kModifyProgramButton);
    EXPECT_EQ(text(kModifyProgramEdit), "D:\\hl2\\hl2.exe");
    EXPECT_EQ(text(kModifyCombo), "Half-Life 2");
}

}  // namespace
