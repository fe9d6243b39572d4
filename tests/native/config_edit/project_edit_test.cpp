// The editing rules against a store whose writes can be made to fail.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "config/project_edit.h"
#include "paths/time_text.h"

namespace {

// Sections keyed like the profile functions match them (without case), keeping the first spelling.
class FakeStore : public ProjectStore {
   public:
    std::vector<std::pair<std::string, std::map<std::string, std::string>>> sections;
    std::set<std::string> folders;
    std::vector<std::string> log;
    int writes_before_failure = -1;  // -1: never fail
    bool fail_remove = false;
    bool fail_folder_rename = false;

    std::map<std::string, std::string>* find(const std::string& name) {
        for (auto& [n, keys] : sections)
            if (same_project(n, name)) return &keys;
        return nullptr;
    }
    std::string read(const std::string& p, const std::string& key) override {
        auto* s = find(p);
        return s && s->count(key) ? s->at(key) : "";
    }
    bool write(const std::string& p, const std::string& key, const std::string& value) override {
        log.push_back("write " + p + " " + key);
        if (writes_before_failure == 0) return false;
        if (writes_before_failure > 0) --writes_before_failure;
        auto* s = find(p);
        if (!s) {
            sections.push_back({p, {}});
            s = &sections.back().second;
        }
        (*s)[key] = value;
        return true;
    }
    bool remove(const std::string& p) override {
        log.push_back("remove " + p);
        if (fail_remove) return false;
        for (auto it = sections.begin(); it != sections.end(); ++it)
            if (same_project(it->first, p)) {
                sections.erase(it);
                break;
            }
        return true;
    }
    bool remove_key(const std::string& p, const std::string& key) override {
        log.push_back("remove " + p + " " + key);
        if (auto* s = find(p)) s->erase(key);
        return true;
    }
    bool backup_folder_exists(const std::string& p) override {
        for (const auto& f : folders)
            if (same_project(f, p)) return true;
        return false;
    }
    bool rename_backup_folder(const std::string& from, const std::string& to) override {
        log.push_back("rename " + from + " " + to);
        if (fail_folder_rename) return false;
        folders.erase(from);
        folders.insert(to);
        return true;
    }
    std::string spelling(const std::string& name) {
        for (auto& [n, keys] : sections)
            if (same_project(n, name)) return n;
        return "";
    }
};

const ProjectPaths kNew{"D:\\新存档", "D:\\新\\game.exe"};

class Modify : public ::testing::Test {
   protected:
    void SetUp() override {
        store.write("老游戏", "存档路径", "C:\\存档");
        store.write("老游戏", "程序路径", "C:\\game.exe");
        store.write("老游戏", "操作时间", "2011年1月1日");
        store.log.clear();
    }
    FakeStore store;
};

TEST_F(Modify, SameNameOverwritesBothPathsInPlace) {
    ModifyResult r = save_modified_project(store, "老游戏", "老游戏", kNew);
    EXPECT_TRUE(r.saved);
    EXPECT_EQ(store.read("老游戏", "存档路径"), kNew.save_path);
    EXPECT_EQ(store.read("老游戏", "程序路径"), kNew.program_path);
    EXPECT_EQ(store.log, (std::vector<std::string>{"write 老游戏 存档路径", "write 老游戏 程序路径"}));
}

TEST_F(Modify, NoLoadedProjectWritesTheTypedNameAndRemovesNothing) {
    EXPECT_TRUE(save_modified_project(store, "", "新游戏", kNew).saved);
    EXPECT_EQ(store.sections.size(), 2u);
    for (const auto& entry : store.log) EXPECT_EQ(entry.rfind("remove", 0), std::string::npos) << entry;
}

TEST_F(Modify, RenameWritesTheNewSectionBeforeRemovingTheOld) {
    EXPECT_TRUE(save_modified_project(store, "老游戏", "新游戏", kNew).saved);
    EXPECT_EQ(store.log, (std::vector<std::string>{"write 新游戏 存档路径", "write 新游戏 程序路径", "remove 老游戏"}));
    EXPECT_EQ(store.find("老游戏"), nullptr);
    EXPECT_EQ(store.read("新游戏", "存档路径"), kNew.save_path);
}

TEST_F(Modify, AFailedWriteDuringARenameKeepsTheOldProject) {
    for (int fail_at : {0, 1}) {
        SetUp();
        store.writes_before_failure = fail_at;
        EXPECT_FALSE(save_modified_project(store, "老游戏", "新游戏", kNew).saved) << fail_at;
        EXPECT_EQ(store.read("老游戏", "存档路径"), "C:\\存档");
        EXPECT_EQ(store.read("老游戏", "程序路径"), "C:\\game.exe");
        for (const auto& entry : store.log) EXPECT_NE(entry, "remove 老游戏");
    }
}

TEST_F(Modify, ASaveFailureWritesNoProgramPath) {
    store.writes_before_failure = 0;
    EXPECT_FALSE(write_project_paths(store, "老游戏", kNew));
    EXPECT_EQ(store.log, std::vector<std::string>{"write 老游戏 存档路径"});
}

TEST_F(Modify, ACaseOnlyChangeWritesInPlaceAndRemovesNothing) {
    store.write("game", "存档路径", "C:\\g");
    store.folders = {"game"};
    store.log.clear();
    EXPECT_TRUE(save_modified_project(store, "game", "GAME", kNew).saved);
    EXPECT_EQ(store.spelling("GAME"), "game");
    EXPECT_EQ(store.read("game", "存档路径"), kNew.save_path);
    EXPECT_EQ(store.log, (std::vector<std::string>{"write GAME 存档路径", "write GAME 程序路径"}));
    EXPECT_EQ(store.folders, std::set<std::string>{"game"});
}

TEST_F(Modify, TheBackupFolderFollowsARenameUnlessTheNewOneExists) {
    store.folders = {"老游戏"};
    EXPECT_TRUE(save_modified_project(store, "老游戏", "新游戏", kNew).saved);
    EXPECT_EQ(store.folders, std::set<std::string>{"新游戏"});

    SetUp();
    store.folders = {"老游戏", "新游戏"};
    ModifyResult r = save_modified_project(store, "老游戏", "新游戏", kNew);
    EXPECT_TRUE(r.saved);
    EXPECT_FALSE(r.folder_left_behind);
    EXPECT_EQ(store.folders, (std::set<std::string>{"老游戏", "新游戏"}));

    SetUp();
    store.folders = {"老游戏"};
    store.fail_folder_rename = true;
    r = save_modified_project(store, "老游戏", "新游戏", kNew);
    EXPECT_TRUE(r.saved);
    EXPECT_TRUE(r.folder_left_behind);
}

TEST_F(Modify, NoFolderMovesWhenNothingIsRenamedOrSaved) {
    store.folders = {"老游戏"};
    save_modified_project(store, "老游戏", "老游戏", kNew);
    store.writes_before_failure = 0;
    save_modified_project(store, "老游戏", "新游戏", kNew);
    for (const auto& entry : store.log) EXPECT_EQ(entry.rfind("rename", 0), std::string::npos) << entry;
    EXPECT_EQ(store.folders, std::set<std::string>{"老游戏"});
}

TEST_F(Modify, OptionsLeaveNoKeyWhileOffAndTravelWithARename) {
    ProjectPaths on = kNew;
    on.options = {true, 3};
    EXPECT_TRUE(save_modified_project(store, "老游戏", "老游戏", on).saved);
    EXPECT_EQ(store.read("老游戏", "退出后备份"), "1");
    EXPECT_EQ(store.read("老游戏", "保留份数"), "3");
    EXPECT_EQ(read_project_options(store, "老游戏"), on.options);

    EXPECT_TRUE(save_modified_project(store, "老游戏", "新游戏", on).saved);
    EXPECT_EQ(read_project_options(store, "新游戏"), on.options);

    store.log.clear();
    EXPECT_TRUE(save_modified_project(store, "新游戏", "新游戏", kNew).saved);
    EXPECT_EQ(store.find("新游戏")->count("退出后备份"), 0u);
    EXPECT_EQ(store.find("新游戏")->count("保留份数"), 0u);
    // Turned off once, they are gone; a project that never had them is written as before.
    store.log.clear();
    EXPECT_TRUE(save_modified_project(store, "新游戏", "新游戏", kNew).saved);
    EXPECT_EQ(store.log, (std::vector<std::string>{"write 新游戏 存档路径", "write 新游戏 程序路径"}));
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
    FakeStore store;
    stamp_project(store, "甲");
    EXPECT_EQ(store.read("甲", "操作时间"), "2012年12月21日3时14分35秒");
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
