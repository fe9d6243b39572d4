// Backup and restore over a scripted machine: what the runner does and returns, and what the user
// is told about it.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "backup/operations.h"
#include "backup/outcome_text.h"
#include "paths/time_text.h"

namespace {

struct Call {
    std::string what, from, to;
};

class FakeSystem : public BackupSystem {
   public:
    std::set<std::string> dirs, files;
    std::set<std::string> running;
    std::map<std::string, std::string> fail;     // path → reason for compress/extract
    std::map<std::string, std::string> skipped;  // folder → what its archive leaves out
    std::vector<Call> calls;

    bool directory_exists(const std::string& p) override { return dirs.count(p) > 0; }
    bool file_exists(const std::string& p) override { return files.count(p) > 0; }
    bool create_directory(const std::string& p) override {
        calls.push_back({"mkdir", p, ""});
        return dirs.insert(p).second;
    }
    bool is_program_running(const std::string& exe) override { return running.count(exe) > 0; }
    void remove_leftovers(const std::string& folder) override { calls.push_back({"clean", folder, ""}); }
    zip::Result compress(const std::string& folder, const std::string& archive, const zip::ProgressFn& p) override {
        calls.push_back({"compress", folder, archive});
        if (p) {
            p({40, "存档/a.sav"});
            p({100, "存档/b.sav"});
        }
        if (fail.count(folder)) return {false, fail[folder], {}};
        files.insert(archive);
        zip::Result r;
        if (skipped.count(folder)) r.skipped = {skipped[folder]};
        return r;
    }
    zip::Result extract(const std::string& archive, const std::string& folder, const zip::ProgressFn& p) override {
        calls.push_back({"extract", archive, folder});
        if (p) p({100, "a.sav"});
        if (fail.count(archive)) return {false, fail[archive], {}};
        dirs.insert(folder);
        return {};
    }
    std::vector<Call> calls_of(const std::string& what) const {
        std::vector<Call> out;
        for (const Call& c : calls)
            if (c.what == what) out.push_back(c);
        return out;
    }
};

class RecordingView : public ProgressView {
   public:
    int percent = 0;
    std::vector<std::string> statuses, counters;
    void set_percent(int p) override { percent = p; }
    void set_status(const std::string& t) override { statuses.push_back(t); }
    void set_counter(const std::string& t) override { counters.push_back(t); }
};

std::vector<std::string> texts(const std::vector<Notice>& notices) {
    std::vector<std::string> t;
    for (const Notice& n : notices) t.push_back(n.text);
    return t;
}

class Operations : public ::testing::Test {
   protected:
    void SetUp() override {
        set_clock_for_tests([] { return DateTime{2011, 10, 22, 9, 5, 0}; });
        project.name = "模擬市民3";
        project.program_file = "D:\\Games\\淺東\\game.exe";
        project.backup_folder = "T:\\tool\\存档目录\\模擬市民3";
    }
    void TearDown() override { set_clock_for_tests({}); }
    std::string archive(int k = 1) const {
        return archive_name(project.backup_folder + "\\2011年10月22日9时5分.zip", k);
    }
    // The questions of a restore, answered by the test; counts what was asked.
    RestoreQuestions answer(std::optional<std::string> archive, bool overwrite = true) {
        RestoreQuestions ask;
        ask.choose_archive = [this, archive] {
            ++chose;
            return archive;
        };
        ask.confirm_overwrite = [this, overwrite] {
            ++confirmed;
            return overwrite;
        };
        return ask;
    }

    FakeSystem sys;
    RecordingView view;
    BackupRunner runner{sys, view};
    ProjectState project;
    int chose = 0, confirmed = 0;
};

TEST_F(Operations, BacksUpThreeFoldersUnderOneTimeName) {
    project.save_paths = {"C:\\s1", "C:\\s2", "C:\\s3"};
    sys.dirs = {"C:\\s1", "C:\\s2", "C:\\s3"};
    Outcome o = runner.backup(project);
    ASSERT_EQ(sys.calls.size(), 5u);
    EXPECT_EQ(sys.calls[0].what, "clean");  // what a backup ended by force left goes first
    EXPECT_EQ(sys.calls[1].what, "mkdir");
    EXPECT_EQ(sys.calls[2].to, archive(1));
    EXPECT_EQ(sys.calls[3].to, project.backup_folder + "\\2011年10月22日9时5分.zip2");
    EXPECT_EQ(sys.calls[4].to, project.backup_folder + "\\2011年10月22日9时5分.zip3");
    EXPECT_EQ(view.counters, (std::vector<std::string>{"1/3", "2/3", "3/3"}));
    EXPECT_EQ(view.percent, 100);
    // Entries show as Windows paths; the status names the first archive as done, also for the later ones.
    EXPECT_EQ(view.statuses.front(), "存档\\a.sav");
    EXPECT_EQ(view.statuses.back(), archive(1) + " 备份完成");
    EXPECT_TRUE(o.complete());
    EXPECT_EQ(o.first_done, archive(1));
    std::vector<Notice> told = backup_notices(o);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].text, "备份完成，备份文件为： \r\n" + archive(1));
    EXPECT_EQ(told[0].title, "提示：");
}

TEST_F(Operations, AtMidnightTheArchiveIsNamedByTheDateAlone) {
    set_clock_for_tests([] { return DateTime{2011, 10, 22, 0, 0, 0}; });
    project.save_paths = {"C:\\s1"};
    sys.dirs = {"C:\\s1", project.backup_folder};
    runner.backup(project);
    ASSERT_EQ(sys.calls_of("compress").size(), 1u);
    EXPECT_TRUE(sys.calls_of("mkdir").empty());  // the backup folder exists: not made again
    EXPECT_EQ(sys.calls_of("compress")[0].to, project.backup_folder + "\\2011年10月22日.zip");
}

TEST_F(Operations, RefusalsTouchNothingAndSayWhy) {
    project.save_paths = {"C:\\s1"};
    sys.dirs = {"C:\\s1"};
    sys.running = {"game.exe"};
    Outcome b = runner.backup(project), r = runner.restore(project, answer("x.zip"));
    EXPECT_EQ(b.refusal, Outcome::program_running);
    EXPECT_EQ(chose, 0);  // the dialog is not even offered
    EXPECT_EQ(texts(backup_notices(b)), std::vector<std::string>{"程序[game.exe]在运行，不能进行备份！"});
    EXPECT_EQ(texts(restore_notices(r)), std::vector<std::string>{"程序[game.exe]在运行，不能进行恢复！"});
    sys.running.clear();
    for (const char* bad : {"..", "a\\..\\..\\x", "", "a:b"}) {
        project.name = bad;
        EXPECT_EQ(runner.backup(project).refusal, Outcome::bad_name) << bad;
        EXPECT_EQ(runner.restore(project, answer("x.zip")).refusal, Outcome::bad_name) << bad;
    }
    project.name = "无存档";
    project.save_paths.clear();
    EXPECT_EQ(runner.backup(project).refusal, Outcome::no_save_paths);
    EXPECT_TRUE(sys.calls.empty());
}

TEST_F(Operations, AMissingFolderIsReportedAndTheOthersGoOn) {
    project.save_paths = {"C:\\s1", "C:\\gone", "C:\\s3"};
    sys.dirs = {"C:\\s1", "C:\\s3"};
    Outcome o = runner.backup(project);
    EXPECT_EQ(texts(backup_notices(o)), (std::vector<std::string>{"存档 C:\\gone 不存在",
                                                                  "备份完成，备份文件为： \r\n" + archive(1)}));
    EXPECT_TRUE(sys.files.count(archive(3)));
    EXPECT_FALSE(sys.files.count(archive(2)));
    EXPECT_EQ(o.archives[1].status, ArchiveResult::folder_missing);
}

TEST_F(Operations, AFailureInTheMiddleIsNeverCalledDone) {
    project.save_paths = {"C:\\s1", "C:\\s2", "C:\\s3"};
    sys.dirs = {"C:\\s1", "C:\\s2", "C:\\s3"};
    sys.fail["C:\\s2"] = "无法读取文件：a.sav";
    Outcome o = runner.backup(project);
    EXPECT_FALSE(o.complete());
    EXPECT_EQ(o.first_done, archive(1));
    EXPECT_EQ(o.archives[1].status, ArchiveResult::failed);
    EXPECT_EQ(o.archives[2].status, ArchiveResult::done);
    std::vector<Notice> told = backup_notices(o);
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0].text, "备份失败：" + archive(2) + "\r\n无法读取文件：a.sav");
    EXPECT_TRUE(told[0].warning);
    // The last word says what was and was not backed up.
    EXPECT_EQ(told[1].text, "备份未全部完成。\r\n已备份：\r\n" + archive(1) + "\r\n" + archive(3) +
                                "\r\n未能备份：\r\nC:\\s2");
}

TEST_F(Operations, WithoutItsFirstArchiveNoSetIsWritten) {
    project.save_paths = {"C:\\s1", "C:\\s2"};
    sys.dirs = {"C:\\s1", "C:\\s2"};
    sys.fail["C:\\s1"] = "无法读取文件：a.sav";
    Outcome o = runner.backup(project);
    EXPECT_EQ(sys.calls_of("compress").size(), 1u);
    EXPECT_EQ(o.first_done, "");
    EXPECT_EQ(o.archives[1].status, ArchiveResult::not_tried);
    std::vector<std::string> told = texts(backup_notices(o));
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0], "备份失败：" + archive(1) + "\r\n无法读取文件：a.sav");
    EXPECT_EQ(told[1].find("备份完成"), std::string::npos);
    EXPECT_EQ(told[1].find(".zip2"), std::string::npos);  // no companion is ever "the" backup

    // A missing first folder: its message, and nothing is written for the others either.
    sys.calls.clear();
    project.save_paths = {"C:\\gone", "C:\\s2"};
    o = runner.backup(project);
    EXPECT_TRUE(sys.calls_of("compress").empty());
    told = texts(backup_notices(o));
    EXPECT_EQ(told.front(), "存档 C:\\gone 不存在");
    EXPECT_EQ(told.size(), 2u);
    // With one save folder the failure message is all there is to say.
    project.save_paths = {"C:\\gone"};
    EXPECT_EQ(texts(backup_notices(runner.backup(project))), std::vector<std::string>{"存档 C:\\gone 不存在"});
}

TEST_F(Operations, WhatAnArchiveLeftOutIsNamed) {
    project.save_paths = {"C:\\s1"};
    sys.dirs = {"C:\\s1"};
    sys.skipped["C:\\s1"] = "链接\\：链接的目标无法访问，已跳过";
    Outcome o = runner.backup(project);
    EXPECT_FALSE(o.complete());
    std::vector<std::string> told = texts(backup_notices(o));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("链接\\：链接的目标无法访问"), std::string::npos);
    EXPECT_NE(told[0].find(archive(1)), std::string::npos);
}

TEST_F(Operations, RestoreAsksBeforeOverwritingAndExtractsTheCompanions) {
    project.save_paths = {"C:\\s1", "C:\\s2", "C:\\s3"};
    sys.dirs = {"C:\\s1"};
    sys.files = {archive(1), archive(2), archive(3)};
    Outcome o = runner.restore(project, answer(archive(1)));
    EXPECT_EQ(confirmed, 1);
    ASSERT_EQ(sys.calls.size(), 3u);
    EXPECT_EQ(sys.calls[1].from, archive(2));
    EXPECT_EQ(sys.calls[1].to, "C:\\s2");
    EXPECT_EQ(view.counters, (std::vector<std::string>{"1/3", "2/3", "3/3"}));
    EXPECT_EQ(view.statuses.back(), archive(1) + " 恢复完成");
    std::vector<Notice> told = restore_notices(o);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].text, "恢复完成，恢复文件为：\r\n" + archive(1));
    EXPECT_EQ(told[0].title, "提示");
}

TEST_F(Operations, DecliningOrCancellingExtractsNothing) {
    project.save_paths = {"C:\\s1"};
    sys.dirs = {"C:\\s1"};
    Outcome o = runner.restore(project, answer(archive(1), false));
    EXPECT_EQ(o.refusal, Outcome::declined);
    EXPECT_EQ(texts(restore_notices(o)), std::vector<std::string>{"存档恢复被取消"});
    o = runner.restore(project, answer(std::nullopt));
    EXPECT_EQ(o.refusal, Outcome::cancelled);
    EXPECT_TRUE(restore_notices(o).empty());
    EXPECT_EQ(confirmed, 1);
    EXPECT_TRUE(sys.calls.empty());
}

TEST_F(Operations, AMissingFirstFolderIsRestoredWithoutAsking) {
    project.save_paths = {"C:\\s1"};
    sys.files = {archive(1)};
    Outcome o = runner.restore(project, answer(archive(1)));
    EXPECT_EQ(confirmed, 0);
    EXPECT_EQ(texts(restore_notices(o)), std::vector<std::string>{"恢复完成，恢复文件为：\r\n" + archive(1)});
    EXPECT_TRUE(view.counters.empty());
}

TEST_F(Operations, MissingCompanionsAndBadArchivesAreReportedAndDoNotBlockTheOthers) {
    project.save_paths = {"C:\\s1", "C:\\s2", "C:\\s3", "C:\\s4"};
    sys.files = {archive(1), archive(3), archive(4)};
    sys.fail[archive(3)] = "文件校验失败：a.sav";
    Outcome o = runner.restore(project, answer(archive(1)));
    EXPECT_EQ(sys.calls_of("extract").size(), 3u);
    EXPECT_EQ(o.archives[3].status, ArchiveResult::done);
    EXPECT_EQ(texts(restore_notices(o)),
              (std::vector<std::string>{"恢复失败：" + archive(2) + "\r\n备份文件不存在。",
                                        "恢复失败：" + archive(3) + "\r\n文件校验失败：a.sav",
                                        "恢复未全部完成。\r\n已恢复：\r\n" + archive(1) + "\r\n" + archive(4) +
                                            "\r\n未能恢复：\r\n" + archive(2) + "\r\n" + archive(3)}));
}

TEST_F(Operations, AFailedFirstArchiveIsNotCalledRestored) {
    project.save_paths = {"C:\\s1", ""};
    sys.files = {archive(1), archive(2)};
    sys.fail[archive(1)] = "压缩文件已损坏";
    Outcome o = runner.restore(project, answer(archive(1)));
    // An empty save path never means "here": nothing is extracted into the current folder.
    ASSERT_EQ(sys.calls.size(), 1u);
    EXPECT_EQ(o.first_done, "");
    EXPECT_EQ(texts(restore_notices(o)), (std::vector<std::string>{"恢复失败：" + archive(1) + "\r\n压缩文件已损坏",
                                                                   "恢复失败：" + archive(2) + "\r\n存档路径为空，没有恢复的位置。"}));
}

}  // namespace
