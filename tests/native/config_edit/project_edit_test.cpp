// The editing rules on a project list and backup folders held in memory, whose writes can be made
// to fail.
#include <gtest/gtest.h>

#include "config/ini_file.h"
#include "config/project_edit.h"
#include "paths/time_text.h"
#include "zip_support/faulty_file_system.h"
#include "fs/memory_file_system.h"

namespace {

const ProjectPaths kNew{"D:\\新存档", "D:\\新\\game.exe"};
const std::string kOldList = "[老游戏]\r\n存档路径=C:\\存档\r\n程序路径=C:\\game.exe\r\n操作时间=2011年1月1日\r\n";

class Modify : public ::testing::Test {
   protected:
    void SetUp() override {
        memory.add_dir("root");
        memory.add_file("list.ini", kOldList);
    }
    std::string list() const { return *memory.nodes().at("list.ini").data; }
    bool folder(const std::string& name) const { return memory.nodes().count(fs::MemoryFileSystem::key("root\\" + name)) > 0; }
    void add_folder(const std::string& name) { memory.add_dir("root\\" + name); }
    fs::MemoryFileSystem memory;
    zip_test::FaultyFileSystem fs{memory};
    ProjectFiles files{fs, "list.ini", "root"};
};

TEST_F(Modify, SameNameOverwritesBothPathsInPlace) {
    EXPECT_TRUE(save_modified_project(files, "老游戏", "老游戏", kNew).saved);
    EXPECT_EQ(list(), "[老游戏]\r\n存档路径=D:\\新存档\r\n程序路径=D:\\新\\game.exe\r\n操作时间=2011年1月1日\r\n");
}

TEST_F(Modify, NoLoadedProjectWritesTheTypedNameAndRemovesNothing) {
    EXPECT_TRUE(save_modified_project(files, "", "新游戏", kNew).saved);
    EXPECT_EQ(list(), kOldList + "[新游戏]\r\n存档路径=D:\\新存档\r\n程序路径=D:\\新\\game.exe\r\n");
}

TEST_F(Modify, RenameAddsTheNewSectionAndRemovesTheOldInOneWrite) {
    const int created = fs.files_created;
    EXPECT_TRUE(save_modified_project(files, "老游戏", "新游戏", kNew).saved);
    EXPECT_EQ(list(), "[新游戏]\r\n存档路径=D:\\新存档\r\n程序路径=D:\\新\\game.exe\r\n");
    EXPECT_EQ(fs.files_created, created + 1);
}

TEST_F(Modify, AFailedWriteChangesNothingAndMovesNoFolder) {
    add_folder("老游戏");
    for (int fault = 0; fault < 2; ++fault) {
        fs.write_budget = fault == 0 ? 5 : -1;
        fs.fail_replace = fault == 1;
        EXPECT_FALSE(save_modified_project(files, "老游戏", "新游戏", kNew).saved) << fault;
        EXPECT_FALSE(write_project_paths(files, "老游戏", kNew)) << fault;
        EXPECT_FALSE(stamp_project(files, "老游戏")) << fault;
        if (fault == 1) EXPECT_FALSE(files.remove("老游戏"));  // an empty file would fit on a full disk
        EXPECT_EQ(list(), kOldList) << fault;
        EXPECT_TRUE(folder("老游戏")) << fault;
    }
    EXPECT_FALSE(write_project_paths(ProjectFiles{fs, "", "root"}, "老游戏", kNew));  // no list chosen
}

TEST_F(Modify, ACaseOnlyChangeWritesInPlaceAndRemovesNothing) {
    memory.add_file("list.ini", "[game]\r\n存档路径=C:\\g\r\n");
    add_folder("game");
    EXPECT_TRUE(save_modified_project(files, "game", "GAME", kNew).saved);
    EXPECT_EQ(list(), "[game]\r\n存档路径=D:\\新存档\r\n程序路径=D:\\新\\game.exe\r\n");
    EXPECT_TRUE(folder("game"));
    EXPECT_FALSE(folder("GAME"));
}

TEST_F(Modify, TheBackupFolderFollowsARenameUnlessTheNewOneExists) {
    add_folder("老游戏");
    memory.add_file("root\\老游戏/1.zip", "z");  // the memory file system parts paths at "/"
    EXPECT_TRUE(save_modified_project(files, "老游戏", "新游戏", kNew).saved);
    EXPECT_FALSE(folder("老游戏"));
    EXPECT_TRUE(memory.exists("root\\新游戏/1.zip"));

    add_folder("另一个");
    ModifyResult r = save_modified_project(files, "新游戏", "另一个", kNew);
    EXPECT_TRUE(r.saved);
    EXPECT_FALSE(r.folder_left_behind);
    EXPECT_TRUE(folder("新游戏"));  // a folder of the new name exists: both stay
}

TEST_F(Modify, ARenameThatCannotMoveTheFolderSaysSo) {
    add_folder("老游戏");
    fs.locked_suffix = "老游戏";  // held open by another program
    ModifyResult r = save_modified_project(files, "老游戏", "新游戏", kNew);
    EXPECT_TRUE(r.saved);
    EXPECT_TRUE(r.folder_left_behind);
    EXPECT_TRUE(folder("老游戏"));
}

// 定时备份 and 自动保留份数: stored only while timed backups are on, read with their limits.
TEST_F(Modify, TimedBackupKeysAreStoredOnlyWhileOn) {
    struct Case {
        const char* minutes;
        const char* keep;
        int read_minutes, read_keep;
    };
    for (const Case& c : {Case{"5", "3", 5, 3}, Case{"1", "", 1, 10}, Case{"240", "0", 240, 10},
                          Case{"999", "20", 240, 20}, Case{"0", "7", 0, 0}, Case{"", "7", 0, 0},
                          Case{"abc", "7", 0, 0}}) {
        memory.add_file("list.ini", std::string("[游戏]\r\n定时备份=") + c.minutes + "\r\n自动保留份数=" + c.keep + "\r\n");
        const ProjectOptions o = read_project_options(files, "游戏");
        EXPECT_EQ(o.timed_minutes, c.read_minutes) << c.minutes;
        EXPECT_EQ(o.timed_keep, c.read_keep) << c.minutes << " " << c.keep;
    }
    ProjectPaths timed = kNew;
    timed.options.timed_minutes = 5;
    EXPECT_TRUE(save_modified_project(files, "游戏", "游戏", timed).saved);
    EXPECT_EQ(files.read("游戏", "定时备份"), "5");
    EXPECT_EQ(files.read("游戏", "自动保留份数"), "10");  // the default, written out
    EXPECT_TRUE(save_modified_project(files, "游戏", "游戏", kNew).saved);
    EXPECT_EQ(list(), "[游戏]\r\n存档路径=D:\\新存档\r\n程序路径=D:\\新\\game.exe\r\n");
}

TEST_F(Modify, OptionsLeaveNoKeyWhileOffAndTravelWithARename) {
    ProjectPaths on = kNew;
    on.options = {true, 3};
    EXPECT_TRUE(save_modified_project(files, "老游戏", "老游戏", on).saved);
    EXPECT_EQ(files.read("老游戏", "退出后备份"), "1");
    EXPECT_EQ(files.read("老游戏", "保留份数"), "3");
    EXPECT_EQ(read_project_options(files, "老游戏"), on.options);

    EXPECT_TRUE(save_modified_project(files, "老游戏", "新游戏", on).saved);
    EXPECT_EQ(read_project_options(files, "新游戏"), on.options);

    EXPECT_TRUE(save_modified_project(files, "新游戏", "新游戏", kNew).saved);
    EXPECT_EQ(list(), "[新游戏]\r\n存档路径=D:\\新存档\r\n程序路径=D:\\新\\game.exe\r\n");
    // Turned off once, they are gone; a project that never had them is written as before.
    const int created = fs.files_created;
    EXPECT_TRUE(save_modified_project(files, "新游戏", "新游戏", kNew).saved);
    EXPECT_EQ(fs.files_created, created);
}

TEST(ProjectOptions, KeepCountIsDigitsOnlyAndAnythingElseKeepsAll) {
    EXPECT_EQ(parse_keep_sets("3"), 3);
    EXPECT_EQ(parse_keep_sets("007"), 7);
    for (const char* all : {"", "0", "000", "-2", " 3", "3份", "abc"}) EXPECT_EQ(parse_keep_sets(all), 0) << all;
    EXPECT_EQ(parse_keep_sets("99999999999999999999"), 999999);
}

TEST(ProjectNames, SameProjectIgnoresCaseAsIniSectionsDo) {
    EXPECT_TRUE(same_project("Game", "gAME"));
    EXPECT_TRUE(same_project("ＧＡＭＥ", "ｇａｍｅ"));
    EXPECT_TRUE(same_project("ΑΩ", "αω"));
    EXPECT_TRUE(same_project("ЯЁ", "яё"));
    EXPECT_TRUE(same_project("三国Ⅸ", "三国ⅸ"));
    EXPECT_FALSE(same_project("游戏", "游戲"));
    EXPECT_FALSE(same_project("Game", "Game2"));
    // A GBK trail byte that happens to be a capital letter is not folded.
    EXPECT_FALSE(same_project("丄", "丠"));
    EXPECT_TRUE(contains_project({"甲", "Half-Life"}, "HALF-LIFE"));
    EXPECT_FALSE(contains_project({}, ""));
}

TEST(ProjectNames, SelectionPrefersTheWholeNameOverALongerOneListedHigher) {
    std::vector<std::string> items{"Game 2", "game", "Other"};
    EXPECT_EQ(find_list_item(items, "Game"), 1);
    EXPECT_EQ(find_list_item(items, "gam"), 0);  // no whole name: the first that begins with it
    EXPECT_EQ(find_list_item(items, "OTHER"), 2);
    EXPECT_EQ(find_list_item(items, "missing"), -1);
}

TEST(ProjectStamp, WritesTheCurrentTimeText) {
    set_clock_for_tests([] { return DateTime{2012, 12, 21, 3, 14, 35}; });
    fs::MemoryFileSystem fs;
    const ProjectFiles files{fs, "list.ini", "root"};
    EXPECT_TRUE(stamp_project(files, "甲", true));  // not listed: left alone
    EXPECT_FALSE(fs.exists("list.ini"));
    EXPECT_TRUE(stamp_project(files, "甲"));
    EXPECT_EQ(files.read("甲", "操作时间"), "2012年12月21日3时14分35秒");
    EXPECT_TRUE(stamp_project(files, ""));
    EXPECT_EQ(*fs.nodes().at("list.ini").data, "[甲]\r\n操作时间=2012年12月21日3时14分35秒\r\n");
    set_clock_for_tests({});
}

TEST(DroppedFile, NameIsTheFileNameWithoutProgramOrShortcutExtensions) {
    EXPECT_EQ(program_name_from_path("C:\\Games\\Sims3.EXE", true), "Sims3");
    EXPECT_EQ(program_name_from_path("C:\\桌面\\模擬市民3.lnk", true), "模擬市民3");
    EXPECT_EQ(program_name_from_path("C:\\a\\game.exe.lnk", true), "game");
    EXPECT_EQ(program_name_from_path("C:\\a\\game.Lnk", false), "game.Lnk");  // the browse keeps ".lnk"
    EXPECT_EQ(program_name_from_path("C:\\a\\淺水.exe", true), "淺水");  // 淺 ends in a "\" byte
    EXPECT_EQ(program_name_from_path("game.exe", true), "game");
}

TEST(DroppedFile, ShortcutsAreRecognisedByTheirExtensionInAnyCase) {
    EXPECT_TRUE(is_shortcut_path("C:\\a\\b.lnk"));
    EXPECT_TRUE(is_shortcut_path("C:\\a\\b.LNK"));
    EXPECT_FALSE(is_shortcut_path("C:\\a\\b.exe"));
    EXPECT_FALSE(is_shortcut_path("lnk"));
}

}  // namespace
