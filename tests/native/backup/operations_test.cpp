// Backup and restore over a scripted machine: what the runner does and returns, and what the user
// is told about it.
#include <gtest/gtest.h>

#include <algorithm>

#include <set>

#include "backup/operations.h"
#include "backup/outcome_text.h"
#include "backup/restore.h"
#include "backup/zip/names.h"
#include "paths/time_text.h"
#include "backup/zip/zip.h"
#include "zip_support/faulty_file_system.h"
#include "zip_support/injecting_file_system.h"
#include "fs/memory_file_system.h"

namespace {

// Folders of one file each, a.sav holding `text`.
void save_folder(fs::MemoryFileSystem& mem, const std::string& folder, const std::string& text = "save") {
    mem.add_dir(folder);
    mem.add_file(folder + "\\a.sav", text);
}

class RecordingView : public backup::ProgressView {
   public:
    int percent = 0;
    std::vector<std::string> statuses, counters;
    void set_percent(int p) override { percent = p; }
    void set_status(const std::string& t) override { statuses.push_back(t); }
    void set_counter(const std::string& t) override { counters.push_back(t); }
};

std::vector<std::string> texts(const std::vector<backup::Notice>& notices) {
    std::vector<std::string> t;
    for (const backup::Notice& n : notices) t.push_back(n.text);
    return t;
}

class Operations : public ::testing::Test {
   protected:
    void SetUp() override {
        set_clock_for_tests([] { return DateTime{2011, 10, 22, 9, 5, 0}; });
        project.name = "模擬市民3";
        project.program_file = "D:\\Games\\淺東\\game.exe";
        project.backup_folder = "T:/tool/存档目录/模擬市民3";
    }
    void dirs(std::initializer_list<std::string> folders) {
        for (const std::string& f : folders) save_folder(mem, f);
    }
    bool has(const std::string& path) { return mem.exists(path); }
    // Archives written by the engine itself, of folders holding "archived".
    void archives_at(std::initializer_list<int> ks) {
        fs::MemoryFileSystem source;
        save_folder(source, "S:", "archived");
        zip::Options options;
        options.fs = &source;
        options.threads = 1;
        for (int k : ks) {
            ASSERT_TRUE(zip::compress_folder("S:", "S:\\set.zip", {}, options).ok);
            mem.add_dir(project.backup_folder);
            mem.add_file(archive(k), *source.nodes().at("S:/set.zip").data);
            source.remove_file("S:\\set.zip");
        }
    }
    // Files of the backup folder that are not archives of a published set.
    bool leftovers() {
        std::vector<fs::DirEntry> entries;
        mem.list_dir(project.backup_folder, &entries);
        for (const fs::DirEntry& e : entries)
            if (fs::is_temporary_name(e.name)) return true;
        return false;
    }
    void TearDown() override { set_clock_for_tests({}); }
    std::string archive(int k = 1) const {
        return backup::archive_name(project.backup_folder + "/2011年10月22日9时5分.zip", k);
    }
    // The questions of a restore, answered by the test; counts what was asked.
    backup::RestoreQuestions answer(std::optional<std::string> archive, bool overwrite = true) {
        backup::RestoreQuestions ask;
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

    fs::MemoryFileSystem mem;  // the real engine on a disk held in memory
    zip_test::FaultyFileSystem fs{mem};
    std::set<std::string> running;
    RecordingView view;
    backup::BackupRunner runner{{fs, [this](const std::string& exe) { return running.count(exe) > 0; }, 1}, view};
    backup::ProjectState project;
    int chose = 0, confirmed = 0;
};

TEST_F(Operations, BacksUpThreeFoldersUnderOneTimeName) {
    project.save_paths = {"C:\\s1", "C:\\s2", "C:\\s3"};
    dirs({"C:\\s1", "C:\\s2", "C:\\s3"});
    mem.add_dir("C:\\s1\\存档");
    mem.add_file("C:\\s1\\存档\\b.sav", "b");
    // What a backup ended by force left goes first: its temporary and a companion never published.
    dirs({project.backup_folder});
    mem.add_file(project.backup_folder + "/.vnk0123456789abcdef.tmp", "half");
    mem.add_file(project.backup_folder + "\\2011年10月22日9时4分.zip2", "orphan");
    backup::Outcome o = runner.backup(project);
    EXPECT_TRUE(has(archive(1)));
    EXPECT_TRUE(has(project.backup_folder + "\\2011年10月22日9时5分.zip2"));
    EXPECT_TRUE(has(project.backup_folder + "\\2011年10月22日9时5分.zip3"));
    EXPECT_FALSE(has(project.backup_folder + "\\2011年10月22日9时4分.zip2"));
    EXPECT_FALSE(leftovers());
    EXPECT_EQ(view.counters, (std::vector<std::string>{"1/3", "2/3", "3/3"}));
    EXPECT_EQ(view.percent, 100);
    // Entries show as Windows paths; the status names the first archive as done, also for the later ones.
    EXPECT_NE(std::find(view.statuses.begin(), view.statuses.end(), "存档\\b.sav"), view.statuses.end());
    EXPECT_EQ(view.statuses.back(), fs::shown(archive(1)) + " 备份完成");
    EXPECT_TRUE(o.complete());
    EXPECT_EQ(o.first_done, archive(1));
    std::vector<backup::Notice> told = backup::backup_notices(o);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].text, "备份完成，备份文件为： \r\n" + fs::shown(archive(1)));
    EXPECT_EQ(told[0].title, "提示：");
}

TEST_F(Operations, AtMidnightTheArchiveIsNamedByTheDateAlone) {
    set_clock_for_tests([] { return DateTime{2011, 10, 22, 0, 0, 0}; });
    project.save_paths = {"C:\\s1"};
    dirs({"C:\\s1"});
    runner.backup(project);
    EXPECT_TRUE(has(project.backup_folder + "\\2011年10月22日.zip"));
}

TEST_F(Operations, RefusalsTouchNothingAndSayWhy) {
    project.save_paths = {"C:\\s1"};
    dirs({"C:\\s1"});
    running = {"game.exe"};
    backup::Outcome b = runner.backup(project), r = runner.restore(project, answer("x.zip"));
    EXPECT_EQ(b.refusal, backup::Outcome::program_running);
    EXPECT_EQ(chose, 0);  // the dialog is not even offered
    EXPECT_EQ(texts(backup::backup_notices(b)), std::vector<std::string>{"程序[game.exe]在运行，不能进行备份！"});
    EXPECT_EQ(texts(backup::restore_notices(r)), std::vector<std::string>{"程序[game.exe]在运行，不能进行恢复！"});
    running.clear();
    for (const char* bad : {"..", "a\\..\\..\\x", "", "a:b"}) {
        project.name = bad;
        EXPECT_EQ(runner.backup(project).refusal, backup::Outcome::bad_name) << bad;
        EXPECT_EQ(runner.restore(project, answer("x.zip")).refusal, backup::Outcome::bad_name) << bad;
    }
    project.name = "无存档";
    project.save_paths.clear();
    EXPECT_EQ(runner.backup(project).refusal, backup::Outcome::no_save_paths);
    EXPECT_FALSE(has(project.backup_folder));
}

TEST_F(Operations, AMissingFolderIsReportedAndTheOthersGoOn) {
    project.save_paths = {"C:\\s1", "C:\\gone", "C:\\s3"};
    dirs({"C:\\s1", "C:\\s3"});
    backup::Outcome o = runner.backup(project);
    EXPECT_EQ(texts(backup::backup_notices(o)), (std::vector<std::string>{"存档 C:\\gone 不存在",
                                                                  "备份完成，备份文件为： \r\n" + fs::shown(archive(1))}));
    EXPECT_TRUE(has(archive(3)));
    EXPECT_FALSE(has(archive(2)));
    EXPECT_EQ(o.archives[1].status, backup::ArchiveResult::folder_missing);
}

TEST_F(Operations, AFailureInTheMiddleIsNeverCalledDone) {
    project.save_paths = {"C:\\s1", "C:\\s2", "C:\\s3"};
    dirs({"C:\\s1", "C:\\s2", "C:\\s3"});
    fs.fail_reads_of("s2/a.sav");
    backup::Outcome o = runner.backup(project);
    const std::string reason = o.archives[1].reason;
    EXPECT_NE(reason.find("a.sav"), std::string::npos) << reason;
    EXPECT_FALSE(o.complete());
    EXPECT_EQ(o.first_done, archive(1));
    EXPECT_EQ(o.archives[1].status, backup::ArchiveResult::failed);
    EXPECT_EQ(o.archives[2].status, backup::ArchiveResult::done);
    std::vector<backup::Notice> told = backup::backup_notices(o);
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0].text, "备份失败：" + fs::shown(archive(2)) + "\r\n" + reason);
    EXPECT_TRUE(told[0].warning);
    // The last word says what was and was not backed up.
    EXPECT_EQ(told[1].text, "备份未全部完成。\r\n已备份：\r\n" + fs::shown(archive(1)) + "\r\n" + fs::shown(archive(3)) +
                                "\r\n未能备份：\r\nC:\\s2");
}

TEST_F(Operations, WithoutItsFirstArchiveNoSetIsWritten) {
    project.save_paths = {"C:\\s1", "C:\\s2"};
    dirs({"C:\\s1", "C:\\s2"});
    fs.fail_reads_of("s1/a.sav");
    backup::Outcome o = runner.backup(project);
    EXPECT_EQ(o.first_done, "");
    EXPECT_FALSE(has(archive(2)));
    EXPECT_EQ(o.archives[1].status, backup::ArchiveResult::not_tried);
    std::vector<std::string> told = texts(backup::backup_notices(o));
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0], "备份失败：" + fs::shown(archive(1)) + "\r\n" + o.archives[0].reason);
    EXPECT_EQ(told[1].find("备份完成"), std::string::npos);
    EXPECT_EQ(told[1].find(".zip2"), std::string::npos);  // no companion is ever "the" backup

    // A missing first folder: its message, and nothing is written for the others either.
    project.save_paths = {"C:\\gone", "C:\\s2"};
    o = runner.backup(project);
    EXPECT_FALSE(has(archive(2)));
    told = texts(backup::backup_notices(o));
    EXPECT_EQ(told.front(), "存档 C:\\gone 不存在");
    EXPECT_EQ(told.size(), 2u);
    // With one save folder the failure message is all there is to say.
    project.save_paths = {"C:\\gone"};
    EXPECT_EQ(texts(backup::backup_notices(runner.backup(project))), std::vector<std::string>{"存档 C:\\gone 不存在"});
}

TEST_F(Operations, WhatAnArchiveLeftOutIsNamed) {
    project.save_paths = {"C:\\s1"};
    dirs({"C:\\s1"});
    mem.nodes()["C:/s1/链接"].unreachable = true;
    backup::Outcome o = runner.backup(project);
    EXPECT_FALSE(o.complete());
    std::vector<std::string> told = texts(backup::backup_notices(o));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("链接：链接的目标无法访问"), std::string::npos) << told[0];
    EXPECT_NE(told[0].find(fs::shown(archive(1))), std::string::npos);
}

TEST_F(Operations, RestoreAsksBeforeOverwritingAndExtractsTheCompanions) {
    project.save_paths = {"C:\\s1", "C:\\s2", "C:\\s3"};
    dirs({"C:\\s1"});
    archives_at({1, 2, 3});
    backup::Outcome o = runner.restore(project, answer(archive(1)));
    EXPECT_EQ(confirmed, 1);
    EXPECT_EQ(o.archives.size(), 3u);
    for (const char* folder : {"C:/s1", "C:/s2", "C:/s3"}) EXPECT_EQ(*mem.nodes().at(folder + std::string("/a.sav")).data, "archived");
    EXPECT_EQ(view.counters, (std::vector<std::string>{"1/3", "2/3", "3/3", "3/3"}));
    // The label says the save that was there is kept; the message stays as it always was.
    EXPECT_EQ(view.statuses.back(), "恢复完成，原存档已保存到 恢复前");
    std::vector<backup::Notice> told = backup::restore_notices(o);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].text, "恢复完成，恢复文件为：\r\n" + fs::shown(archive(1)));
    EXPECT_EQ(told[0].title, "提示");
}

TEST_F(Operations, DecliningOrCancellingExtractsNothing) {
    project.save_paths = {"C:\\s1"};
    dirs({"C:\\s1"});
    backup::Outcome o = runner.restore(project, answer(archive(1), false));
    EXPECT_EQ(o.refusal, backup::Outcome::declined);
    EXPECT_EQ(texts(backup::restore_notices(o)), std::vector<std::string>{"存档恢复被取消"});
    o = runner.restore(project, answer(std::nullopt));
    EXPECT_EQ(o.refusal, backup::Outcome::cancelled);
    EXPECT_TRUE(backup::restore_notices(o).empty());
    EXPECT_EQ(confirmed, 1);
    EXPECT_EQ(*mem.nodes().at("C:/s1/a.sav").data, "save");
}

TEST_F(Operations, AMissingFirstFolderIsRestoredWithoutAsking) {
    project.save_paths = {"C:\\s1"};
    archives_at({1});
    backup::Outcome o = runner.restore(project, answer(archive(1)));
    EXPECT_EQ(confirmed, 0);
    EXPECT_EQ(texts(backup::restore_notices(o)), std::vector<std::string>{"恢复完成，恢复文件为：\r\n" + fs::shown(archive(1))});
    EXPECT_TRUE(view.counters.empty());
}

TEST_F(Operations, AMissingCompanionIsReportedAndDoesNotBlockTheOthers) {
    project.save_paths = {"C:\\s1", "C:\\s2", "C:\\s3", ""};
    archives_at({1, 3, 4});
    backup::Outcome o = runner.restore(project, answer(archive(1)));
    EXPECT_EQ(o.archives[2].status, backup::ArchiveResult::done);
    // An empty save path never means "here": nothing is extracted into the current folder.
    EXPECT_EQ(o.archives[3].status, backup::ArchiveResult::no_target);
    EXPECT_EQ(texts(backup::restore_notices(o)),
              (std::vector<std::string>{"恢复失败：" + fs::shown(archive(2)) + "\r\n备份文件不存在。",
                                        "恢复失败：" + fs::shown(archive(4)) + "\r\n存档路径为空，没有恢复的位置。",
                                        "恢复未全部完成。\r\n已恢复：\r\n" + fs::shown(archive(1)) + "\r\n" + fs::shown(archive(3)) +
                                            "\r\n未能恢复：\r\n" + fs::shown(archive(2)) + "\r\n" + fs::shown(archive(4))}));
}

TEST_F(Operations, ABadArchiveChangesNothingAndSaysWhichAndWhy) {
    project.save_paths = {"C:\\s1", "C:\\s2", "C:\\s3"};
    archives_at({1, 2, 3});
    std::string& third = *mem.nodes().at(fs::MemoryFileSystem::key(archive(3))).data;
    third[third.find("archived")] = 'A';  // the stored bytes no longer match their CRC
    backup::Outcome o = runner.restore(project, answer(archive(1)));
    EXPECT_EQ(o.first_done, "");
    EXPECT_NE(o.failure.find("a.sav"), std::string::npos) << o.failure;
    EXPECT_EQ(texts(backup::restore_notices(o)),
              std::vector<std::string>{"恢复失败：" + fs::shown(archive(3)) + "\r\n" + o.failure + "\r\n存档保持原样，没有任何改动。"});
    EXPECT_FALSE(has("C:\\s1"));
}

TEST_F(Operations, UndoAsksIsRefusedWhileTheProgramRunsAndSaysWhatHappened) {
    project.save_paths = {"C:\\s1"};
    dirs({"C:\\s1"});
    archives_at({1});
    int asked = 0;
    auto yes = [&] { return ++asked, true; };
    auto undo_told = [&](const std::function<bool()>& confirm) { return texts(backup::undo_notices(runner.undo(project, confirm))); };
    EXPECT_EQ(undo_told(yes), std::vector<std::string>{"没有可以撤销的恢复。"});
    ASSERT_EQ(runner.restore(project, answer(archive(1))).first_done, archive(1));
    EXPECT_EQ(undo_told([] { return false; }), std::vector<std::string>{});
    running = {"game.exe"};
    EXPECT_EQ(undo_told(yes), std::vector<std::string>{"程序[game.exe]在运行，不能进行撤销！"});
    running.clear();
    fs.locked_suffix = "/a.sav";  // held open by the game
    const std::vector<std::string> failed = undo_told(yes);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].rfind("撤销失败：", 0), 0u) << failed[0];
    EXPECT_NE(failed[0].find("存档保持原样，没有任何改动。"), std::string::npos);
    EXPECT_EQ(*mem.nodes().at("C:/s1/a.sav").data, "archived");
    fs.locked_suffix.clear();
    EXPECT_EQ(undo_told(yes), std::vector<std::string>{"撤销完成，存档已回到上次恢复之前的样子。"});
    EXPECT_EQ(*mem.nodes().at("C:/s1/a.sav").data, "save");
    EXPECT_EQ(asked, 2);
}

TEST_F(Operations, AnInterruptedRestoreTakenBackFirstIsToldOnce) {
    project.save_paths = {"C:\\s1"};
    const std::string journal = project.backup_folder + "\\恢复前\\进行中.txt";
    // A restore killed in its swap, at the first call that leaves its journal behind.
    for (long k = 1; k < 1000 && !has(journal); ++k) {
        mem.nodes().clear();
        dirs({"C:\\s1"});
        archives_at({1});
        zip_test::InjectingFileSystem killed(mem, zip_test::InjectingFileSystem::Mode::die, k);
        backup::restore_with_safety_copy(killed, {archive(1), project.save_paths, project.backup_folder}, {});
    }
    ASSERT_TRUE(has(journal));
    std::vector<std::string> told = texts(backup::backup_notices(runner.backup(project)));
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0], backup::interrupted_restore_text({}));
    EXPECT_EQ(told[1], "备份完成，备份文件为： \r\n" + fs::shown(archive(1)));
    EXPECT_EQ(*mem.nodes().at("C:/s1/a.sav").data, "save");
    EXPECT_EQ(texts(backup::backup_notices(runner.backup(project))).size(), 1u);  // told once
}

// What the user is told names the archive by its number: an undo lists only the folders its
// restore wrote ("a||c" has no second), and what an earlier restore or undo left says what is on disk.
TEST(OutcomeText, FailuresNameTheirArchiveAndRecoveriesSayWhatIsOnDisk) {
    backup::Outcome o;
    o.archives = {{1, "copy.zip", "C:\\a"}, {3, "copy.zip3", "C:\\c"}};
    o.failed_k = 3;
    o.failure = "无法替换文件：C:\\c\\x";
    EXPECT_EQ(texts(backup::undo_notices(o)), std::vector<std::string>{"撤销失败：copy.zip3\r\n无法替换文件：C:\\c\\x\r\n存档保持原样，没有任何改动。"});
    // A folder that went away before the take-back: the save is not said to be as it was.
    o.recovery.waiting = {"C:\\c"};
    const std::vector<std::string> waiting = texts(backup::undo_notices(o));
    ASSERT_EQ(waiting.size(), 2u);
    EXPECT_NE(waiting[0].find("C:\\c"), std::string::npos) << waiting[0];
    EXPECT_EQ(waiting[1], "撤销失败：copy.zip3\r\n无法替换文件：C:\\c\\x");
    o.recovery.waiting.clear();
    const std::pair<backup::RecoveryReport::What, const char*> cases[] = {
        {backup::RecoveryReport::restore_taken_back, "已经撤销：存档已回到恢复之前的样子"},
        {backup::RecoveryReport::undo_taken_back, "撤销没有进行：存档仍是上次恢复之后的样子"},
        {backup::RecoveryReport::restore_completed, "在中断前已经完成：存档已是恢复之后的样子"},
        {backup::RecoveryReport::undo_completed, "上次的撤销在中断前已经完成"}};
    for (const auto& [what, says] : cases) {
        backup::RecoveryReport r;
        r.what = what;
        EXPECT_NE(backup::recovery_text(r, {}).find(says), std::string::npos) << says;
        EXPECT_NE(backup::startup_recovery_text({{"游戏", r}}).find("游戏"), std::string::npos);
    }
}

}  // namespace
