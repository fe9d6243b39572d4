// Keeping the last N backups: which files go after a backup, and what a run without a window
// reports about it.
#include "backup/retention.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "backup/backup_report.h"
#include "zip_support/faulty_file_system.h"
#include "fs/memory_file_system.h"

namespace {

const std::string kFolder = "D:/工具/存档目录/游戏";

// The backup folder on a disk held in memory; a file held open by another program cannot go.
class Folder {
   public:
    fs::MemoryFileSystem disk;
    zip_test::FaultyFileSystem fs{disk};
    void put(const std::set<std::string>& names) {
        disk.nodes().clear();
        disk.add_dir(kFolder);
        for (const std::string& n : names) disk.add_file(kFolder + "/" + n, "zip");
    }
    std::set<std::string> names() {
        std::vector<fs::DirEntry> entries;
        disk.list_dir(kFolder, &entries);
        std::set<std::string> all;
        for (const fs::DirEntry& e : entries) all.insert(e.name);
        return all;
    }
};

// A backup of two save folders named after 2011-10-22 9:05.
backup::Outcome written(backup::ArchiveResult::Status second = backup::ArchiveResult::done) {
    backup::Outcome o;
    o.first_done = kFolder + "/2011年10月22日9时5分.zip";
    o.archives.push_back({1, o.first_done, "C:\\存档", backup::ArchiveResult::done, "", {}});
    o.archives.push_back(
        {2, o.first_done + "2", "C:\\存档2", second, second == backup::ArchiveResult::failed ? "读不了" : "", {}});
    return o;
}

const std::set<std::string> kForeign = {
    "Desktop.ini",           "image.ico",           "笔记.txt",
    "2011年10月1日.zip.bak", "2011-10-01.zip",      "2011年10月1日9时0分.zip",
    "2011年10月1日.zip02",   "2011年10月1日.zip1",  "2011年13月1日.zip",
    "2011年10月1日.ZIP",     ".vnk0123456789ab.tmp"};

class Retention : public ::testing::Test {
   protected:
    void SetUp() override {
        std::set<std::string> names = kForeign;
        // Five earlier sets, some with companions, and two companions whose first archive is gone.
        for (const char* n :
             {"2011年10月1日.zip", "2011年10月1日.zip2", "2011年10月2日9时.zip", "2011年10月3日9时5分.zip",
              "2011年10月3日9时5分.zip2", "2011年10月3日9时5分.zip3", "2011年10月20日10时1分1秒.zip",
              "2011年10月21日.zip", "2011年10月21日.zip2", "2011年10月21日12时.zip2", "2011年9月1日.zip3",
              "2011年10月22日9时5分.zip", "2011年10月22日9时5分.zip2"})
            names.insert(n);
        folder.put(names);
        before = folder.names();
    }
    Folder folder;
    std::set<std::string> before;
};

TEST_F(Retention, KeepsTheNewestSetsWholeAndEveryForeignFile) {
    backup::PruneResult r = backup::prune_after_backup(folder.fs, kFolder, written(), 3);
    std::set<std::string> expected = kForeign;
    // Newest by the time the name says, not by how it sorts as text ("3日" after "21日").
    for (const char* n : {"2011年10月22日9时5分.zip", "2011年10月22日9时5分.zip2", "2011年10月21日.zip",
                          "2011年10月21日.zip2", "2011年10月21日12时.zip2", "2011年10月20日10时1分1秒.zip"})
        expected.insert(n);
    EXPECT_EQ(folder.names(), expected);
    EXPECT_EQ(r.deleted.size(), 7u);
    EXPECT_TRUE(r.failed.empty());
    // Each set loses its first archive first, so one cut short is never offered for a restore.
    const auto at = [&](const std::string& name) {
        return std::find(r.deleted.begin(), r.deleted.end(), kFolder + "/" + name) - r.deleted.begin();
    };
    EXPECT_LT(at("2011年10月3日9时5分.zip"), at("2011年10月3日9时5分.zip2"));
    EXPECT_LT(at("2011年10月3日9时5分.zip"), at("2011年10月3日9时5分.zip3"));
}

TEST_F(Retention, NothingGoesAfterAnIncompleteBackupOrWithoutALimit) {
    backup::Outcome skipped = written();
    skipped.archives[0].skipped = {"a.sav：拒绝访问"};
    backup::Outcome refused;
    refused.refusal = backup::Outcome::program_running;
    for (const backup::Outcome& o :
         {written(backup::ArchiveResult::failed), written(backup::ArchiveResult::folder_missing), skipped, refused})
        EXPECT_TRUE(backup::prune_after_backup(folder.fs, kFolder, o, 3).deleted.empty());
    EXPECT_TRUE(backup::prune_after_backup(folder.fs, kFolder, written(), 0).deleted.empty());
    EXPECT_EQ(folder.names(), before);
}

TEST_F(Retention, TheSetJustWrittenStaysWhenTheClockWentBackAndUndeletableFilesAreReported) {
    folder.put({"2030年1月1日.zip", "2030年1月2日.zip", "2011年10月22日9时5分.zip", "2011年10月22日9时5分.zip2"});
    folder.fs.locked_suffix = "2030年1月1日.zip";
    backup::PruneResult r = backup::prune_after_backup(folder.fs, kFolder, written(), 2);
    EXPECT_EQ(folder.names(), (std::set<std::string>{"2030年1月1日.zip", "2030年1月2日.zip",
                                                   "2011年10月22日9时5分.zip", "2011年10月22日9时5分.zip2"}));
    EXPECT_EQ(r.failed, std::vector<std::string>{kFolder + "/2030年1月1日.zip"});
    ASSERT_EQ(backup::prune_notices(r).size(), 1u);
    EXPECT_NE(backup::prune_notices(r)[0].text.find(fs::shown(r.failed[0])), std::string::npos);
}

TEST(RunReport, OneLinePerArchiveAndTheWorstResultCounts) {
    backup::Outcome o = written(backup::ArchiveResult::failed);
    o.archives[1].reason = "无法读取\r\n文件";
    backup::PruneResult none;
    EXPECT_EQ(backup::backup_report_lines("游戏", o, none),
              (std::vector<std::string>{"游戏：备份完成：" + fs::shown(o.first_done),
                                        "游戏：备份失败：" + fs::shown(o.first_done) + "2：无法读取  文件"}));
    EXPECT_EQ(backup::run_result(o), backup::kSomeFailed);
    EXPECT_EQ(backup::run_result(written()), backup::kAllWritten);
    backup::Outcome refused;
    refused.refusal = backup::Outcome::program_running;
    refused.detail = "game.exe";
    EXPECT_EQ(backup::backup_report_lines("游戏", refused, none),
              std::vector<std::string>{"游戏：程序[game.exe]在运行，不能进行备份！"});
    EXPECT_EQ(backup::worse(backup::run_result(refused), backup::run_result(written())), backup::kRefused);
}

TEST(RunReport, TheLogDropsItsOldestWholeLines) {
    const std::string old = "第一行\r\n第二行\r\n";
    EXPECT_EQ(backup::bounded_log(old, {"新"}, 100), old + "新\r\n");
    EXPECT_EQ(backup::bounded_log(old, {"新"}, 12), "第二行\r\n新\r\n");
    EXPECT_EQ(backup::bounded_log(old, {"新"}, 9), "新\r\n");  // never half a line
    EXPECT_EQ(backup::bounded_log("断了", {"新"}, 100), "断了\r\n新\r\n");
}

}  // namespace
