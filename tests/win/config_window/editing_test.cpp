// Adding, modifying and deleting projects through the pages of "配置", on a real project list.
#include "config/ini.h"
#include "config/project_list.h"
#include "config_fixture.h"
#include "paths/files.h"
#include "ui/config_window.h"

namespace {

using namespace cfg;

const char* kTwoProjects =
    "[仙剑奇侠传四]\r\n存档路径=C:\\PAL4\\save\r\n程序路径=C:\\PAL4\\PAL4.exe\r\n操作时间=2011年10月18日9时30分\r\n"
    "[Half-Life 2]\r\n存档路径=D:\\hl2\\save\r\n程序路径=D:\\hl2\\hl2.exe\r\n操作时间=2011年10月20日21时5分\r\n";

class Editing : public ConfigWindowTest {
   protected:
    void SetUp() override {
        ConfigWindowTest::SetUp();
        write_list(kTwoProjects);
    }
    // What the user typed on the page "增加".
    void fill_add(const std::string& name, const std::string& save, const std::string& program = "") {
        click_tab(kPageAdd);
        set(kAddNameEdit, name);
        set(kAddSaveEdit, save);
        set(kAddProgramEdit, program);
    }
    std::vector<std::string> texts() const { return prompt.texts(); }
};

TEST_F(Editing, ListsAreOrderedByOperationTimeWithNothingSelected) {
    open();
    const std::vector<std::string> order{"Half-Life 2", "仙剑奇侠传四"};
    EXPECT_EQ(items(kModifyCombo), order);
    EXPECT_EQ(items(kDeleteCombo), order);
    EXPECT_EQ(selection(kModifyCombo), -1);
    EXPECT_EQ(text(kModifyCombo), "");
    EXPECT_EQ(text(kModifySaveEdit), "");
}

TEST_F(Editing, AMissingListGivesEmptyListsQuietly) {
    DeleteFileA(list_path().c_str());
    open();
    EXPECT_TRUE(items(kModifyCombo).empty());
    EXPECT_TRUE(items(kDeleteCombo).empty());
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(Editing, SelectingShowsTheStoredPathsOfEachPageSeparately) {
    open();
    select(kModifyCombo, "仙剑奇侠传四");
    EXPECT_EQ(text(kModifySaveEdit), "C:\\PAL4\\save");
    EXPECT_EQ(text(kModifyProgramEdit), "C:\\PAL4\\PAL4.exe");
    click_tab(kPageDelete);
    select(kDeleteCombo, "Half-Life 2");
    EXPECT_EQ(text(kDeleteSaveEdit), "D:\\hl2\\save");
    EXPECT_EQ(text(kDeleteProgramEdit), "D:\\hl2\\hl2.exe");
    EXPECT_EQ(text(kModifySaveEdit), "C:\\PAL4\\save");  // the page "修改" is not touched
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(Editing, AddingWritesTheProjectAndSelectsItEverywhere) {
    open();
    fill_add("模擬市民3", "<我的文档>\\Electronic Arts\\模擬市民3", "D:\\Sims3\\TS3.exe");
    click(kAddButton);
    EXPECT_EQ(texts(), std::vector<std::string>{"模擬市民3 增加成功！"});
    EXPECT_EQ(value("模擬市民3", "存档路径"), "<我的文档>\\Electronic Arts\\模擬市民3");
    EXPECT_EQ(value("模擬市民3", "程序路径"), "D:\\Sims3\\TS3.exe");
    EXPECT_EQ(value("模擬市民3", "操作时间"), stamp());
    // The refreshed lists put it first once its stamp is read; here it was stamped after the
    // refresh, so it is listed by its missing stamp (2011-01-01): last.
    EXPECT_EQ(items(kModifyCombo), (std::vector<std::string>{"Half-Life 2", "仙剑奇侠传四", "模擬市民3"}));
    EXPECT_EQ(text(kModifyCombo), "模擬市民3");
    EXPECT_EQ(text(kDeleteCombo), "模擬市民3");
    EXPECT_EQ(text(kModifySaveEdit), "<我的文档>\\Electronic Arts\\模擬市民3");
    EXPECT_EQ(text(kDeleteProgramEdit), "D:\\Sims3\\TS3.exe");
    EXPECT_EQ(text(kAddNameEdit), "模擬市民3");  // the page keeps what was typed
    EXPECT_EQ(load_project_names(list_path()).front(), "模擬市民3");
}

TEST_F(Editing, ADuplicateNameWritesNoPathsButRefreshesTheStamp) {
    open();
    fill_add("仙剑奇侠传四", "E:\\other");
    click(kAddButton);
    EXPECT_EQ(texts(), std::vector<std::string>{"存在相同名称项目禁止增加！"});
    EXPECT_TRUE(focused(kAddNameEdit));
    EXPECT_EQ(value("仙剑奇侠传四", "存档路径"), "C:\\PAL4\\save");
    EXPECT_EQ(value("仙剑奇侠传四", "操作时间"), stamp());
}

TEST_F(Editing, ADuplicateNameWithoutSavePathGetsBothRefusals) {
    open();
    fill_add("仙剑奇侠传四", "");
    click(kAddButton);
    EXPECT_EQ(texts(), (std::vector<std::string>{"存在相同名称项目禁止增加！", "存档路径不能为空！"}));
    EXPECT_TRUE(focused(kAddSaveEdit));
    EXPECT_EQ(value("仙剑奇侠传四", "存档路径"), "C:\\PAL4\\save");
}

TEST_F(Editing, ANameDifferingOnlyInCaseIsADuplicate) {
    open();
    fill_add("HALF-LIFE 2", "E:\\mine");
    click(kAddButton);
    EXPECT_EQ(texts(), std::vector<std::string>{"存在相同名称项目禁止增加！"});
    EXPECT_EQ(value("Half-Life 2", "存档路径"), "D:\\hl2\\save");
    EXPECT_EQ(sections().size(), 2u);
}

TEST_F(Editing, AnEmptySavePathIsRefusedButTheNameIsStampedAndListedLater) {
    open();
    fill_add("新游戏", "", "D:\\new.exe");
    click(kAddButton);
    EXPECT_EQ(texts(), std::vector<std::string>{"存档路径不能为空！"});
    EXPECT_TRUE(focused(kAddSaveEdit));
    EXPECT_EQ(value("新游戏", "操作时间"), stamp());
    EXPECT_EQ(value("新游戏", "存档路径"), "<missing>");
    EXPECT_EQ(value("新游戏", "程序路径"), "<missing>");
    EXPECT_EQ(load_project_names(list_path()).front(), "新游戏");
}

TEST_F(Editing, NamesThatCannotBeFolderNamesAreRefusedBeforeAnyWrite) {
    open();
    std::string before = wintest::read_file(list_path());
    for (const char* name : {"半条命:2", "CON", "nul.txt", "游戏.", "a/b", " 前导空格"}) {
        prompt.messages.clear();
        fill_add(name, "E:\\save");
        click(kAddButton);
        ASSERT_EQ(texts().size(), 1u) << name;
        EXPECT_EQ(texts()[0].find(std::string("“") + name + "”不能用作项目名称："), 0u) << texts()[0];
        EXPECT_TRUE(focused(kAddNameEdit));
    }
    EXPECT_EQ(wintest::read_file(list_path()), before);
    // A character whose second byte is "|" is an ordinary character.
    prompt.messages.clear();
    fill_add("東方", "E:\\touhou");
    click(kAddButton);
    EXPECT_EQ(texts(), std::vector<std::string>{"東方 增加成功！"});
}

TEST_F(Editing, AFailedWriteIsReported) {
    open();
    fill_add("模擬市民3", "E:\\sims");
    {
        FileLock lock(list_path());
        click(kAddButton);
    }
    EXPECT_EQ(texts(), std::vector<std::string>{"模擬市民3 增加失败！"});
    EXPECT_EQ(wintest::read_file(list_path()), kTwoProjects);
}

TEST_F(Editing, ModifyingWithTheSameNameOverwritesInPlace) {
    open();
    select(kModifyCombo, "仙剑奇侠传四");
    set(kModifySaveEdit, "E:\\PAL4|F:\\PAL4");
    set(kModifyProgramEdit, "");
    click(kModifyButton);
    EXPECT_EQ(texts(), std::vector<std::string>{"仙剑奇侠传四 修改成功！"});
    EXPECT_EQ(value("仙剑奇侠传四", "存档路径"), "E:\\PAL4|F:\\PAL4");
    EXPECT_EQ(value("仙剑奇侠传四", "程序路径"), "");
    EXPECT_EQ(value("仙剑奇侠传四", "操作时间"), stamp());
    EXPECT_EQ(text(kModifyCombo), "仙剑奇侠传四");
    EXPECT_EQ(text(kDeleteCombo), "仙剑奇侠传四");
    EXPECT_EQ(text(kDeleteSaveEdit), "E:\\PAL4|F:\\PAL4");
    // The saved path is the new baseline: leaving the page asks nothing.
    click_tab(kPageAdd);
    EXPECT_EQ(texts().size(), 1u);
}

TEST_F(Editing, RenamingMovesTheProjectAndItsBackupFolder) {
    wintest::make_dirs(backup_dir("仙剑奇侠传四"));
    wintest::write_file(backup_dir("仙剑奇侠传四") + "\\2011年1月1日.zip", "zip");
    open();
    select(kModifyCombo, "仙剑奇侠传四");
    SetWindowTextA(ctl(kModifyCombo), "仙剑四");
    click(kModifyButton);
    EXPECT_EQ(texts(), std::vector<std::string>{"仙剑四 修改成功！"});
    EXPECT_EQ(sections(), (std::vector<std::string>{"Half-Life 2", "仙剑四"}));
    EXPECT_EQ(value("仙剑四", "存档路径"), "C:\\PAL4\\save");
    EXPECT_EQ(value("仙剑四", "程序路径"), "C:\\PAL4\\PAL4.exe");
    EXPECT_EQ(value("仙剑四", "操作时间"), stamp());
    EXPECT_EQ(wintest::read_file(backup_dir("仙剑四") + "\\2011年1月1日.zip"), "zip");
    EXPECT_FALSE(wintest::exists(backup_dir("仙剑奇侠传四")));
    EXPECT_EQ(text(kModifyCombo), "仙剑四");
    EXPECT_EQ(items(kDeleteCombo), (std::vector<std::string>{"Half-Life 2", "仙剑四"}));
    // A second modify is in place now.
    prompt.messages.clear();
    set(kModifySaveEdit, "C:\\PAL4\\save2");
    click(kModifyButton);
    EXPECT_EQ(texts(), std::vector<std::string>{"仙剑四 修改成功！"});
    EXPECT_EQ(sections().size(), 2u);
}

TEST_F(Editing, ARenameNeverMovesAFolderOntoAnExistingOne) {
    wintest::make_dirs(backup_dir("仙剑奇侠传四"));
    wintest::make_dirs(backup_dir("仙剑四"));
    wintest::write_file(backup_dir("仙剑四") + "\\a.zip", "other");
    open();
    select(kModifyCombo, "仙剑奇侠传四");
    SetWindowTextA(ctl(kModifyCombo), "仙剑四");
    click(kModifyButton);
    EXPECT_EQ(texts(), std::vector<std::string>{"仙剑四 修改成功！"});
    EXPECT_TRUE(wintest::is_directory(backup_dir("仙剑奇侠传四")));
    EXPECT_EQ(wintest::read_file(backup_dir("仙剑四") + "\\a.zip"), "other");
}

TEST_F(Editing, ARenameThatCannotBeWrittenKeepsTheOldProject) {
    wintest::make_dirs(backup_dir("仙剑奇侠传四"));
    open();
    select(kModifyCombo, "仙剑奇侠传四");
    SetWindowTextA(ctl(kModifyCombo), "仙剑四");
    {
        FileLock lock(list_path());
        click(kModifyButton);
    }
    EXPECT_EQ(texts(), std::vector<std::string>{"仙剑四 修改失败！"});
    EXPECT_EQ(wintest::read_file(list_path()), kTwoProjects);
    EXPECT_TRUE(wintest::is_directory(backup_dir("仙剑奇侠传四")));
    EXPECT_FALSE(wintest::exists(backup_dir("仙剑四")));
}

TEST_F(Editing, RenamingOntoAnotherProjectIsRefused) {
    open();
    select(kModifyCombo, "仙剑奇侠传四");
    SetWindowTextA(ctl(kModifyCombo), "half-life 2");
    click(kModifyButton);
    EXPECT_EQ(texts(), std::vector<std::string>{"存在相同名称项目禁止修改！"});
    EXPECT_TRUE(focused(kModifyCombo));
    EXPECT_EQ(value("Half-Life 2", "存档路径"), "D:\\hl2\\save");
    EXPECT_EQ(value("仙剑奇侠传四", "存档路径"), "C:\\PAL4\\save");
}

TEST_F(Editing, RenamingToAnInvalidNameIsRefusedBeforeAnyWrite) {
    open();
    select(kModifyCombo, "仙剑奇侠传四");
    SetWindowTextA(ctl(kModifyCombo), "仙剑:四");
    click(kModifyButton);
    ASSERT_EQ(texts().size(), 1u);
    EXPECT_EQ(texts()[0].find("“仙剑:四”不能用作项目名称："), 0u);
    EXPECT_EQ(wintest::read_file(list_path()), kTwoProjects);
}

TEST_F(Editing, EachPageRefusesAMissingFieldAndFocusesIt) {
    open();
    std::string before = wintest::read_file(list_path());
    click(kModifyButton);
    EXPECT_TRUE(focused(kModifyCombo));
    fill_add("", "E:\\save");
    click(kAddButton);
    EXPECT_TRUE(focused(kAddNameEdit));
    click_tab(kPageDelete);
    click(kDeleteButton);
    EXPECT_TRUE(focused(kDeleteCombo));
    EXPECT_EQ(texts(), (std::vector<std::string>{"请选择修改项目！", "请填写项目名称！", "请选择删除项目！"}));
    EXPECT_EQ(wintest::read_file(list_path()), before);

    click_tab(kPageModify);
    select(kModifyCombo, "Half-Life 2");
    set(kModifySaveEdit, "");
    click(kModifyButton);
    EXPECT_EQ(texts().back(), "存档路径不能为空！");
    EXPECT_TRUE(focused(kModifySaveEdit));
    EXPECT_EQ(value("Half-Life 2", "存档路径"), "D:\\hl2\\save");
    EXPECT_EQ(value("Half-Life 2", "操作时间"), stamp());  // the attempt still counts as use
}

TEST_F(Editing, TheSelectionAfterAModifyIsTheProjectItselfNotALongerName) {
    write_list("[Game 2]\r\n存档路径=C:\\g2\r\n操作时间=2011年10月20日\r\n[Game]\r\n存档路径=C:\\g\r\n操作时间=2011年1月2日\r\n");
    open();
    select(kModifyCombo, "Game");
    set(kModifySaveEdit, "C:\\g-new");
    click(kModifyButton);
    EXPECT_EQ(text(kModifyCombo), "Game");
    EXPECT_EQ(text(kDeleteCombo), "Game");
    EXPECT_EQ(value("Game", "操作时间"), stamp());
    EXPECT_EQ(value("Game 2", "操作时间"), "2011年10月20日");
    EXPECT_EQ(value("Game 2", "存档路径"), "C:\\g2");
}

TEST_F(Editing, DeletingRemovesTheWholeProjectAndClearsThePaths) {
    wintest::make_dirs(backup_dir("仙剑奇侠传四"));
    open();
    select(kModifyCombo, "仙剑奇侠传四");
    click_tab(kPageDelete);
    select(kDeleteCombo, "仙剑奇侠传四");
    click(kDeleteButton);
    EXPECT_EQ(texts(), std::vector<std::string>{"删除成功！"});
    EXPECT_EQ(sections(), std::vector<std::string>{"Half-Life 2"});
    EXPECT_EQ(items(kDeleteCombo), std::vector<std::string>{"Half-Life 2"});
    EXPECT_EQ(items(kModifyCombo), std::vector<std::string>{"Half-Life 2"});
    EXPECT_EQ(selection(kDeleteCombo), -1);
    for (int box : {kDeleteSaveEdit, kDeleteProgramEdit, kModifySaveEdit, kModifyProgramEdit, kModifyCombo})
        EXPECT_EQ(text(box), "") << box;
    EXPECT_TRUE(wintest::is_directory(backup_dir("仙剑奇侠传四")));  // backups stay
    // The emptied page "修改" holds no change to ask about, and no project to rename.
    click_tab(kPageModify);
    click_tab(kPageAdd);
    EXPECT_EQ(texts().size(), 1u);
}

TEST_F(Editing, DeletingTheLastProjectLeavesEmptyLists) {
    write_list("[唯一]\r\n存档路径=C:\\only\r\n");
    open();
    click_tab(kPageDelete);
    select(kDeleteCombo, "唯一");
    click(kDeleteButton);
    EXPECT_TRUE(items(kModifyCombo).empty());
    EXPECT_TRUE(items(kDeleteCombo).empty());
    EXPECT_TRUE(sections().empty());
}

}  // namespace
