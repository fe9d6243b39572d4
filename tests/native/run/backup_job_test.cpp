// One backup as the window and the command line run it: packed, pruned, stamped, and the exit code
// that says whether all of it worked.
#include <gtest/gtest.h>

#include "backup/operations.h"
#include "config/names.h"
#include "paths/gbk_text.h"
#include "paths/time_text.h"
#include "run/backup_job.h"
#include "zip_support/faulty_file_system.h"
#include "fs/memory_file_system.h"

namespace {

class FakeStamp : public OperationStamp {
   public:
    bool works = true;
    std::vector<std::string> stamped;
    bool stamp(const std::string& project) override {
        stamped.push_back(project);
        return works;
    }
};

struct Case {
    const char* what;
    bool running, save_folder_exists, deletes, stamp_works;
    int keep;
    int code;
    size_t deleted;
};

class BackupJobCases : public ::testing::TestWithParam<Case> {};

TEST_P(BackupJobCases, PacksPrunesStampsAndCountsEveryFailure) {
    const Case& c = GetParam();
    fs::MemoryFileSystem disk;  // the real engine on a disk held in memory
    zip_test::FaultyFileSystem fs{disk};
    if (c.save_folder_exists) {
        disk.add_dir("C:\\存档");
        disk.add_file("C:\\存档\\a.sav", "save");
    }
    backup::NoProgress view;
    backup::BackupRunner runner({fs, [&](const std::string&) { return c.running; }, 1}, view);
    disk.add_dir("E:\\存档目录\\游戏");
    for (const char* name : {"2020年1月1日.zip", "2020年1月2日.zip", "Desktop.ini"})
        disk.add_file(std::string("E:\\存档目录\\游戏\\") + name, "zip");
    if (!c.deletes) fs.locked_suffix = "2020年1月1日.zip";
    FakeStamp stamp;
    stamp.works = c.stamp_works;
    const backup::ProjectState project{"游戏", "D:\\游戏\\game.exe", {"C:\\存档"}, "E:\\存档目录\\游戏", {}};

    const BackupJobResult r = run_backup_job(runner, fs, stamp, project, {backup::backup_kind::kManual, c.keep});

    EXPECT_EQ(r.run_result(), c.code);
    EXPECT_EQ(stamp.stamped, std::vector<std::string>{"游戏"});  // refusals included
    EXPECT_EQ(r.stamped, c.stamp_works);
    EXPECT_EQ((c.deletes ? r.pruned.deleted : r.pruned.failed).size(), c.deleted);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, BackupJobCases,
    ::testing::Values(Case{"written", false, true, true, true, 0, 0, 0},
                      Case{"written, keeping two", false, true, true, true, 2, 0, 1},
                      Case{"an old set that stays", false, true, false, true, 2, 1, 1},
                      Case{"a stamp not written", false, true, true, false, 0, 1, 0},
                      Case{"a missing folder prunes nothing", false, false, true, true, 1, 1, 0},
                      Case{"a running program, stamp failing too", true, true, true, false, 1, 2, 0}),
    [](const ::testing::TestParamInfo<Case>& info) { return "case" + std::to_string(info.index); });

// Timed sets are pruned by their own count, every other kind by 保留份数; kept sets never go.
TEST(BackupJobKinds, EachPruningCountsItsOwnKindsAndSparesKeptSets) {
    fs::MemoryFileSystem disk;
    backup::NoProgress view;
    backup::BackupRunner runner({disk, {}, 1}, view);
    FakeStamp stamp;
    const std::string folder = "E:\\存档目录\\游戏";
    const backup::ProjectState project{"游戏", "game.exe", {"C:\\存档"}, folder, {}};
    disk.add_dir("C:\\存档");
    disk.add_file("C:\\存档\\a.sav", "save");
    disk.add_dir(folder);
    backup::BackupInfo info(disk, folder);
    // Oldest first: kind and kept mark of each earlier set.
    const std::vector<std::pair<const char*, bool>> earlier = {
        {backup::backup_kind::kManual, true}, {backup::backup_kind::kTimed, false}, {backup::backup_kind::kManual, false},
        {backup::backup_kind::kTimed, true},  {backup::backup_kind::kQuick, false}, {backup::backup_kind::kTimed, false},
        {backup::backup_kind::kCommandLine, false}};
    std::vector<std::string> names;
    for (size_t i = 0; i < earlier.size(); ++i) {
        names.push_back("2020年1月" + std::to_string(i + 1) + "日.zip");
        disk.add_file(folder + "\\" + names.back(), "zip");
        info.set_kind(names.back(), earlier[i].first);
        info.set_kept(names.back(), earlier[i].second);
    }
    info.set_note(names[1], "第二个");
    auto present = [&] {
        std::vector<bool> p;
        for (const std::string& n : names) p.push_back(disk.exists(folder + "\\" + n));
        return p;
    };
    // A timed backup keeping two timed sets: the new one and the newest earlier timed set.
    const BackupJobResult timed = run_backup_job(runner, disk, stamp, project, {backup::backup_kind::kTimed, 2});
    EXPECT_EQ(present(), (std::vector<bool>{true, false, true, true, true, true, true}));
    EXPECT_EQ(info.of(backup::set_key(timed.outcome.first_done)).kind, backup::backup_kind::kTimed);
    EXPECT_EQ(info.of(names[1]).note, "");  // what was known of a deleted set goes with it
    // A manual backup keeping two: of the others only the newest unkept one stays beside it.
    set_clock_for_tests([] { return DateTime{2030, 1, 1, 0, 0, 0}; });
    const BackupJobResult manual = run_backup_job(runner, disk, stamp, project, {backup::backup_kind::kManual, 2});
    set_clock_for_tests(nullptr);
    EXPECT_EQ(present(), (std::vector<bool>{true, false, false, true, false, true, true}));
    EXPECT_TRUE(disk.exists(timed.outcome.first_done));
    EXPECT_EQ(info.of(backup::set_key(manual.outcome.first_done)).kind, backup::backup_kind::kManual);
    EXPECT_TRUE(info.of(names[0]).kept);
}

class ListStamps : public ::testing::Test {
   protected:
    void SetUp() override {
        set_clock_for_tests([] { return DateTime{2011, 10, 22, 9, 5, 7}; });
        memory.add_file("list.ini", "[游戏]\r\n存档路径=C:\\存档\r\n");
    }
    void TearDown() override { set_clock_for_tests(nullptr); }
    std::string list() const { return *memory.nodes().at("list.ini").data; }
    fs::MemoryFileSystem memory;
    zip_test::FaultyFileSystem fs{memory};
    ListStamp stamp{ProjectFiles{fs, "list.ini", "root"}};
};

TEST_F(ListStamps, StampsAListedProjectLeavesOthersAloneAndTellsAFailedWrite) {
    EXPECT_TRUE(stamp.stamp("游戏"));
    const std::string stamped = "[游戏]\r\n存档路径=C:\\存档\r\n" + std::string(names::kOperationTimeKey) +
                                "=2011年10月22日9时5分7秒\r\n";
    EXPECT_EQ(list(), stamped);
    EXPECT_TRUE(stamp.stamp("改了名"));  // renamed or deleted meanwhile: not brought back
    EXPECT_TRUE(stamp.stamp(""));
    EXPECT_EQ(list(), stamped);
    set_clock_for_tests([] { return DateTime{2012, 1, 2, 3, 4, 5}; });
    fs.fail_replace = true;
    EXPECT_FALSE(stamp.stamp("游戏"));
    EXPECT_EQ(list(), stamped);
}

}  // namespace
