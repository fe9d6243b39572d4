// "退出后自动备份" and "保留份数" on the pages "修改" and "增加": stored as optional keys, loaded
// with the project, and counted by the change prompt.
#include "config_fixture.h"
#include "ui/config_window.h"

namespace {

using namespace cfg;

class Options : public ConfigWindowTest {
   protected:
    void SetUp() override {
        ConfigWindowTest::SetUp();
        write_list(
            "[自动]\r\n存档路径=C:\\a\r\n程序路径=C:\\a.exe\r\n退出后备份=1\r\n保留份数=3\r\n"
            "[手动]\r\n存档路径=C:\\b\r\n程序路径=C:\\b.exe\r\n");
    }
    bool checked(int id) const { return SendMessageA(ctl(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void check(int id, bool on) {
        if (checked(id) != on) click(id);
    }
};

TEST_F(Options, AreWrittenFromBothPagesOnlyWhenOnAndLoadedWithTheProject) {
    open();
    click_tab(kPageAdd);
    set(kAddNameEdit, "新的");
    set(kAddSaveEdit, "C:\\c");
    check(kAddExitBackupCheck, true);
    set(kAddKeepEdit, "5");
    click(kAddButton);
    EXPECT_EQ(value("新的", "退出后备份"), "1");
    EXPECT_EQ(value("新的", "保留份数"), "5");
    EXPECT_TRUE(checked(kModifyExitBackupCheck));  // the page "修改" now shows the new project
    EXPECT_EQ(text(kModifyKeepEdit), "5");

    click_tab(kPageModify);
    select(kModifyCombo, "手动");
    EXPECT_FALSE(checked(kModifyExitBackupCheck));
    EXPECT_EQ(text(kModifyKeepEdit), "");
    click(kModifyButton);
    EXPECT_EQ(value("手动", "退出后备份"), "<missing>");  // off leaves no key
    EXPECT_EQ(value("手动", "保留份数"), "<missing>");

    select(kModifyCombo, "自动");
    EXPECT_TRUE(checked(kModifyExitBackupCheck));
    EXPECT_EQ(text(kModifyKeepEdit), "3");
    check(kModifyExitBackupCheck, false);
    set(kModifyKeepEdit, "0");
    click(kModifyButton);
    EXPECT_EQ(value("自动", "退出后备份"), "<missing>");
    EXPECT_EQ(value("自动", "保留份数"), "<missing>");
    EXPECT_EQ(value("自动", "存档路径"), "C:\\a");
}

TEST_F(Options, TheChangePromptCountsThem) {
    open();
    select(kModifyCombo, "手动");
    check(kModifyExitBackupCheck, true);
    prompt.answers = {mb::kIdYes};
    click_tab(kPageDelete);
    ASSERT_EQ(prompt.texts().size(), 2u);
    EXPECT_EQ(prompt.texts()[0], "存档路径有改动是否保存？");
    EXPECT_EQ(value("手动", "退出后备份"), "1");

    click_tab(kPageModify);
    set(kModifyKeepEdit, "2");
    prompt.messages.clear();
    prompt.answers = {mb::kIdNo};
    click_tab(kPageDelete);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"存档路径有改动是否保存？"});
    EXPECT_EQ(value("手动", "保留份数"), "<missing>");
    click_tab(kPageModify);
    click_tab(kPageDelete);  // answered No: the same text is no change any more
    EXPECT_EQ(prompt.texts().size(), 1u);
}

// 定时备份 and 自动保留份数: written from either page while on, shown with the project, gone when off.
TEST_F(Options, TimedBackupsAreWrittenFromBothPagesAndLeaveNoKeyWhenOff) {
    open();
    click_tab(kPageAdd);
    set(kAddNameEdit, "定时");
    set(kAddSaveEdit, "C:\\d");
    set(kAddTimedEdit, "5");
    click(kAddButton);
    EXPECT_EQ(value("定时", "定时备份"), "5");
    EXPECT_EQ(value("定时", "自动保留份数"), "10");
    EXPECT_EQ(text(kModifyTimedEdit), "5");
    EXPECT_EQ(text(kModifyTimedKeepEdit), "10");

    click_tab(kPageModify);
    set(kModifyTimedKeepEdit, "4");
    click(kModifyButton);
    EXPECT_EQ(value("定时", "自动保留份数"), "4");
    set(kModifyTimedEdit, "0");
    click(kModifyButton);
    EXPECT_EQ(value("定时", "定时备份"), "<missing>");
    EXPECT_EQ(value("定时", "自动保留份数"), "<missing>");
    select(kModifyCombo, "手动");
    EXPECT_EQ(text(kModifyTimedEdit), "");
    click(kModifyButton);
    EXPECT_EQ(value("手动", "定时备份"), "<missing>");
}

// 同步到服务器 from either page; the server of page 设置 kept for this machine, its password sealed;
// 测试连接 answers beside the window and says what is wrong.
TEST_F(Options, SyncFromBothPagesAndTheServerKeptWithItsPasswordSealed) {
    open();
    click_tab(kPageAdd);
    set(kAddNameEdit, "同步");
    set(kAddSaveEdit, "C:\\s");
    check(kAddSyncCheck, true);
    click(kAddButton);
    EXPECT_EQ(value("同步", "同步"), "1");
    EXPECT_TRUE(checked(kModifySyncCheck));
    click_tab(kPageModify);
    check(kModifySyncCheck, false);
    click(kModifyButton);
    EXPECT_EQ(value("同步", "同步"), "<missing>");
    click_tab(kPageSettings);
    set(kSyncAddressEdit, "https://dav.example/dav/");
    set(kSyncUserEdit, "玩家");
    set(kSyncPasswordEdit, "s3cret");
    click(kSyncSaveButton);
    const std::string system = wintest::read_file(dir / "配置目录\\系统配置文件.ini");
    EXPECT_NE(system.find("https://dav.example/dav/"), std::string::npos);
    EXPECT_NE(system.find("玩家"), std::string::npos);
    EXPECT_EQ(system.find("s3cret"), std::string::npos);
    EXPECT_EQ(text(kSyncPasswordEdit) + text(kSyncStatusLabel), "同步设置已保存");
    set(kSyncAddressEdit, dir / "没有这个文件夹");
    click(kSyncTestButton);
    EXPECT_TRUE(wintest::wait_for([&] {
        wintest::pump_messages();
        return text(kSyncStatusLabel).find("文件夹不存在或无法访问") == 0;
    })) << text(kSyncStatusLabel);
}

TEST_F(Options, TheShortcutNeedsAProjectOfTheList) {
    open();
    set(kModifyCombo, "不在列表里");
    click(kModifyPlayShortcutButton);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"请选择修改项目！"});
}

}  // namespace
