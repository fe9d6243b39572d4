// Start-up decisions over scripted files: the machine identifier, the move of a tool folder from
// before 0.99, and which project list this machine uses.
#include <gtest/gtest.h>


#include "config/machine_list.h"
#include "run/first_start.h"
#include "zip_support/faulty_file_system.h"
#include "fs/memory_file_system.h"

namespace {

const char* kMigrated = "系统检测你的上一版本低于0.99。\r\n已自动完成版本升级后的文件迁移。";
const std::string kTool = "D:/工具";
const std::string kId = "001A2B3C4D5E7601";

// The tool folder on a disk held in memory; a folder or file "held open" cannot be moved.
class Disk {
   public:
    fs::MemoryFileSystem memory;
    zip_test::FaultyFileSystem fs{memory};
    Disk() {
        memory.add_dir("D:");
        memory.add_dir(kTool);
    }
    void folder(const std::string& p) { memory.add_dir(p); }
    void list(const std::string& p, const std::string& text) { memory.add_file(p, text); }
    bool exists(const std::string& p) { return memory.exists(p); }
    std::string text(const std::string& p) { return *memory.nodes().at(fs::MemoryFileSystem::key(p)).data; }
    std::string machine_list() { return read_machine_list(fs, ToolFolders{kTool}, kId); }
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
    Disk disk;
    if (GetParam().old_list) disk.list(kTool + "/存档配置文件.ini", "");
    if (GetParam().config_dir) disk.folder(kTool + "/配置目录");
    if (GetParam().backup_root) disk.folder(kTool + "/存档目录");
    EXPECT_EQ(needs_legacy_migration(disk.fs, ToolFolders{kTool}), GetParam().migrate);
}

INSTANTIATE_TEST_SUITE_P(Folders, LegacyLayout,
                         ::testing::Values(LayoutCase{false, false, false, false}, LayoutCase{true, false, false, true},
                                           LayoutCase{true, true, false, false}, LayoutCase{true, false, true, false},
                                           LayoutCase{true, true, true, false}, LayoutCase{false, true, true, false}));

class Migration : public ::testing::Test {
   protected:
    void SetUp() override {
        disk.list(old_list, kList);
        disk.folder(kTool + "/甲");
        disk.list(kTool + "/甲/1.zip", "zip");
        disk.folder(kTool + "/乙");
    }
    std::string migrate() { return migrate_legacy_layout(disk.fs, ToolFolders{kTool}, kId); }
    std::string list_in_use() { return disk.machine_list(); }

    const std::string kList = "[甲]\r\n存档路径=C:\\a\r\n[缺少]\r\n[乙]\r\n";
    Disk disk;
    const std::string old_list = kTool + "/存档配置文件.ini";
    const std::string new_list = kTool + "/配置目录/存档配置文件.ini";
};

TEST_F(Migration, MovesEveryFolderAndTheListWhichThisMachineThenUses) {
    EXPECT_EQ(migrate(), kMigrated);
    EXPECT_FALSE(migration_failed(kMigrated));
    for (const char* moved : {"配置目录", "存档目录", "存档目录/甲", "存档目录/甲/1.zip", "存档目录/乙"})
        EXPECT_TRUE(disk.exists(kTool + "/" + moved)) << moved;
    for (const char* gone : {"甲", "乙", "存档配置文件.ini", "存档目录/缺少"}) EXPECT_FALSE(disk.exists(kTool + "/" + gone));
    EXPECT_EQ(disk.text(new_list), kList);
    EXPECT_EQ(list_in_use(), new_list);
}

TEST_F(Migration, AFailedFolderMoveIsReportedAndTheOthersStillMove) {
    disk.fs.locked_suffix = "/甲";
    const std::string message = migrate();
    EXPECT_TRUE(migration_failed(message));
    EXPECT_EQ(message, "系统检测你的上一版本低于0.99。\r\n文件迁移未能全部完成：\r\n未能移动备份文件夹：" + fs::shown(kTool + "/甲") + "\r\n");
    EXPECT_TRUE(disk.exists(kTool + "/甲/1.zip"));
    EXPECT_TRUE(disk.exists(kTool + "/存档目录/乙"));
    EXPECT_EQ(list_in_use(), new_list);
}

TEST_F(Migration, TheProjectListIsNeverLostWhenItCannotBeMoved) {
    disk.fs.locked_suffix = "/存档配置文件.ini";  // held by another program, and unreadable
    disk.fs.fail_reads_of("/存档配置文件.ini");
    const std::string message = migrate();
    EXPECT_NE(message.find("未能迁移配置文件：" + fs::shown(old_list) + "（仍在原处使用）"), std::string::npos) << message;
    EXPECT_EQ(disk.text(old_list), kList);
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
    Disk disk;
    disk.folder(kTool + "/配置目录");
    if (c.remembered) write_machine_list(disk.fs, ToolFolders{kTool}, kId, c.remembered);
    bool asked = false;
    const ListChoice choice = choose_project_list(disk.fs, ToolFolders{kTool}, kId, [&] {
        asked = true;
        return c.answer;
    });
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(choice.list, c.list);
    EXPECT_EQ(choice.unchosen, c.unchosen);
    // What it chose is remembered; a declined question leaves the file as it was.
    EXPECT_EQ(disk.machine_list(), c.unchosen ? (c.remembered ? c.remembered : "") : c.list);
}

const std::string kGenerated = kTool + "/配置目录/存档配置文件_" + kId + " .ini";

INSTANTIATE_TEST_SUITE_P(Lists, ListChoices,
                         ::testing::Values(ChoiceCase{"E:/lists/mine.ini", false, false, "E:/lists/mine.ini", false},
                                           ChoiceCase{"", true, true, kGenerated, false},  // empty counts as none
                                           ChoiceCase{nullptr, true, true, kGenerated, false},
                                           ChoiceCase{nullptr, false, true, "", true},
                                           ChoiceCase{"", false, true, "", true}));

}  // namespace
