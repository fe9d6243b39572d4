// Start-up decisions over scripted files: the machine identifier, the move of a tool folder from
// before 0.99, and which project list this machine uses.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "run/first_start.h"

namespace {

const char* kMigrated = "系统检测你的上一版本低于0.99。\r\n已自动完成版本升级后的文件迁移。";
const std::string kTool = "D:\\工具";
const std::string kId = "001A2B3C4D5E7601";

class FakeFiles : public StartupFiles {
   public:
    std::set<std::string> folders;
    std::map<std::string, std::vector<std::string>> lists;  // file → its section names
    std::map<std::string, std::string> machine_lists;       // machine id → the list it uses
    std::string failing_folder;
    bool file_moves = true;

    bool exists(const std::string& p) override { return folders.count(p) || lists.count(p); }
    bool is_file(const std::string& p) override { return lists.count(p) > 0; }
    void create_directory(const std::string& p) override { folders.insert(p); }
    bool delete_file(const std::string& p) override { return lists.erase(p) > 0; }
    std::string machine_list(const ToolFolders& tool, const std::string& id) override {
        EXPECT_EQ(tool.tool_dir, kTool);
        return machine_lists[id];
    }
    bool record_machine_list(const ToolFolders& tool, const std::string& id, const std::string& list) override {
        EXPECT_EQ(tool.tool_dir, kTool);
        machine_lists[id] = list;
        return true;
    }
    std::vector<std::string> ini_section_names(const std::string& f) override { return lists[f]; }
    bool move_folder_into(const std::string& folder, const std::string& target) override {
        if (folder == failing_folder || !folders.erase(folder)) return false;
        folders.insert(target + folder.substr(folder.rfind('\\')));
        return true;
    }
    bool move_file(const std::string& from, const std::string& to) override { return file_moves && copy_file(from, to) && delete_file(from); }
    bool copy_file(const std::string& from, const std::string& to) override {
        if (!file_moves || !lists.count(from)) return false;
        lists[to] = lists[from];
        return true;
    }
};

TEST(FirstStart, MachineIdIsTheAdapterAddressWithoutDashesThenTheBuild) {
    EXPECT_EQ(make_machine_id("00-1A-2B-3C-4D-5E", 7601), "001A2B3C4D5E7601");
    EXPECT_EQ(make_machine_id("", 2600), "2600");
    EXPECT_EQ(make_machine_id("AA-BB-CC-DD-EE-FF", 0), "AABBCCDDEEFF0");
}

struct LayoutCase {
    bool old_list, config_dir, backup_root;
    bool migrate;
};

class LegacyLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LegacyLayout, NeedsTheOldListAndNeitherNewFolder) {
    FakeFiles files;
    if (GetParam().old_list) files.lists[kTool + "\\存档配置文件.ini"] = {};
    if (GetParam().config_dir) files.folders.insert(kTool + "\\配置目录");
    if (GetParam().backup_root) files.folders.insert(kTool + "\\存档目录");
    EXPECT_EQ(needs_legacy_migration(files, ToolFolders{kTool}), GetParam().migrate);
}

INSTANTIATE_TEST_SUITE_P(Folders, LegacyLayout,
                         ::testing::Values(LayoutCase{false, false, false, false}, LayoutCase{true, false, false, true},
                                           LayoutCase{true, true, false, false}, LayoutCase{true, false, true, false},
                                           LayoutCase{true, true, true, false}, LayoutCase{false, true, true, false}));

class Migration : public ::testing::Test {
   protected:
    void SetUp() override {
        files.lists[old_list] = {"甲", "缺少", "乙"};
        files.folders = {kTool + "\\甲", kTool + "\\乙"};
    }
    std::string migrate() { return migrate_legacy_layout(files, ToolFolders{kTool}, kId); }
    std::string list_in_use() { return files.machine_lists[kId]; }

    FakeFiles files;
    const std::string old_list = kTool + "\\存档配置文件.ini";
    const std::string new_list = kTool + "\\配置目录\\存档配置文件.ini";
};

TEST_F(Migration, MovesEveryFolderAndTheListWhichThisMachineThenUses) {
    EXPECT_EQ(migrate(), kMigrated);
    EXPECT_FALSE(migration_failed(kMigrated));
    EXPECT_EQ(files.folders, (std::set<std::string>{kTool + "\\配置目录", kTool + "\\存档目录", kTool + "\\存档目录\\甲",
                                                    kTool + "\\存档目录\\乙"}));
    EXPECT_FALSE(files.exists(old_list));
    EXPECT_EQ(files.lists[new_list], (std::vector<std::string>{"甲", "缺少", "乙"}));
    EXPECT_EQ(list_in_use(), new_list);
}

TEST_F(Migration, AFailedFolderMoveIsReportedAndTheOthersStillMove) {
    files.failing_folder = kTool + "\\甲";
    const std::string message = migrate();
    EXPECT_TRUE(migration_failed(message));
    EXPECT_EQ(message, "系统检测你的上一版本低于0.99。\r\n文件迁移未能全部完成：\r\n未能移动备份文件夹：" + kTool + "\\甲\r\n");
    EXPECT_TRUE(files.exists(kTool + "\\甲"));
    EXPECT_TRUE(files.exists(kTool + "\\存档目录\\乙"));
    EXPECT_EQ(list_in_use(), new_list);
}

TEST_F(Migration, TheProjectListIsNeverLostWhenItCannotBeMoved) {
    files.file_moves = false;
    const std::string message = migrate();
    EXPECT_NE(message.find("未能迁移配置文件：" + old_list + "（仍在原处使用）"), std::string::npos) << message;
    EXPECT_TRUE(files.is_file(old_list));
    EXPECT_EQ(list_in_use(), old_list);  // this machine goes on using the list where it is
}

struct ChoiceCase {
    const char* remembered;  // nullptr: this machine has no entry
    bool answer;             // to the first-run question
    bool asked;
    std::string list;
    bool unchosen;
};

class ListChoices : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ListChoices, TheRememberedListElseTheAnswerToTheFirstRunQuestion) {
    const ChoiceCase& c = GetParam();
    FakeFiles files;
    if (c.remembered) files.machine_lists[kId] = c.remembered;
    bool asked = false;
    const ListChoice choice = choose_project_list(files, ToolFolders{kTool}, kId, [&] {
        asked = true;
        return c.answer;
    });
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(choice.list, c.list);
    EXPECT_EQ(choice.unchosen, c.unchosen);
    // What it chose is remembered; a declined question leaves the file as it was.
    EXPECT_EQ(files.machine_lists[kId], c.unchosen ? (c.remembered ? c.remembered : "") : c.list);
}

const std::string kGenerated = kTool + "\\配置目录\\存档配置文件_" + kId + " .ini";

INSTANTIATE_TEST_SUITE_P(Lists, ListChoices,
                         ::testing::Values(ChoiceCase{"E:\\lists\\mine.ini", false, false, "E:\\lists\\mine.ini", false},
                                           ChoiceCase{"", true, true, kGenerated, false},  // empty counts as none
                                           ChoiceCase{nullptr, true, true, kGenerated, false},
                                           ChoiceCase{nullptr, false, true, "", true},
                                           ChoiceCase{"", false, true, "", true}));

}  // namespace
