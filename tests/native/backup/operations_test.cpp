// Backup and restore over a scripted machine: what the runner does and returns, and what the user
// is told about it.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "backup/operations.h"
#include "backup/outcome_text.h"
#include "backup/zip/names.h"
#include "paths/time_text.h"
#include "zip_support/memory_file_system.h"

namespace {

struct Call {
    std::string what, from, to;
};

// The machine's files are held in memory; the engine and the processes are scripted.
class FakeSystem : public BackupSystem {
   public:
    zip_test::MemoryFileSystem mem;
    std::set<std::string> running;
    std::map<std::string, std::string> fail;     // path → reason for compress/extract
    std::map<std::string, std::string> skipped;  // folder → what its archive leaves out
    std::vector<Call> calls;
    bool interrupted = false;

    void dirs(std::initializer_list<std::string> paths) {
        for (const std::string& p : paths) mem.add_dir(p);
    }
    void files_at(std::initializer_list<std::string> paths) {
        for (const std::string& p : paths) mem.add_file(p, "zip");
    }
    bool has(const std::string& path) { return mem.exists(path); }

    zip::FileSystem& files() override { return mem; }
    bool is_program_running(const std::string& exe) override { return running.count(exe) > 0; }
    zip::Result compress(const std::string& folder, const std::string& archive, const zip::ProgressFn& p,
                         const std::vector<std::string>&) override {
        calls.push_back({"compress", folder, archive});
        if (p) {
            p({40, "存档/a.sav"});
            p({100, "存档/b.sav"});
        }
        if (fail.count(folder)) return {false, fail[folder], {}};
        mem.add_file(archive, "zip of " + folder);
        zip::Result r;
        if (skipped.count(folder)) r.skipped = {skipped[folder]};
        return r;
    }
    // All or nothing, as the real one: an archive in `fail` stops the whole set.
    RestoreSetResult restore_set(const RestoreRequest& request, const RestoreEvents& events) override {
        calls.push_back({"restore", request.first_archive, request.backup_folder});
        RestoreSetResult r;
        for (size_t i = 0; i < request.save_paths.size(); ++i) {
            const int k = static_cast<int>(i) + 1;
            ArchiveResult a{k, archive_name(request.first_archive, k), request.save_paths[i]};
            if (a.folder.empty()) a.status = ArchiveResult::no_target;
            else if (!has(a.archive)) a.status = ArchiveResult::archive_missing;
            else if (fail.count(a.archive) && r.failure.empty()) r.failure = fail[a.archive], r.failed_k = k;
            if (a.status == ArchiveResult::done && has(a.folder)) r.safety_copy = "copy.zip";
            r.archives.push_back(a);
        }
        for (ArchiveResult& a : r.archives) {
            if (a.status != ArchiveResult::done) continue;
            if (!r.failure.empty()) {
                a.status = ArchiveResult::failed;
                continue;
            }
            events.progress(a.k, {100, "a.sav"});
            events.archive_ready(a.k);
            mem.add_dir(a.folder);
            r.changed = true;
        }
        if (!r.failure.empty()) r.safety_copy.clear();
        return r;
    }
    RestoreSetResult undo_restore(const ProjectFolders& project, const RestoreEvents&) override {
        calls.push_back({"undo", project.backup_folder, ""});
        RestoreSetResult r;
        r.failure = fail.count("undo") ? fail["undo"] : "";
        r.changed = r.failure.empty();
        return r;
    }
    RecoveryReport recover(const ProjectFolders&) override {
        RecoveryReport r;
        if (interrupted) r.what = RecoveryReport::restore_taken_back;
        return r;
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
        set_undoable(true);
    }
    void set_undoable(bool undoable) {
        const std::string record = project.backup_folder + "\\恢复前\\上次恢复.txt";
        undoable ? sys.mem.add_file(record, "") : (void)sys.mem.remove_file(record);
    }
    // Files of the backup folder that are not archives of a published set.
    bool leftovers() {
        std::vector<zip::DirEntry> entries;
        sys.mem.list_dir(project.backup_folder, &entries);
        for (const zip::DirEntry& e : entries)
            if (zip::is_temporary_name(e.name)) return true;
        return false;
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
    sys.dirs({"C:\\s1", "C:\\s2", "C:\\s3"});
    // What a backup ended by force left goes first: its temporary and a companion never published.
    sys.dirs({project.backup_folder});
    sys.mem.add_file(project.backup_folder + "/.vnk0123456789abcdef.tmp", "half");
    sys.mem.add_file(project.backup_folder + "\\2011年10月22日9时4分.zip2", "orphan");
    Outcome o = runner.backup(project);
    ASSERT_EQ(sys.calls.size(), 3u);
    EXPECT_TRUE(sys.has(archive(1)));
    EXPECT_TRUE(sys.has(project.backup_folder + "\\2011年10月22日9时5分.zip2"));
    EXPECT_TRUE(sys.has(project.backup_folder + "\\2011年10月22日9时5分.zip3"));
    EXPECT_FALSE(sys.has(project.backup_folder + "\\2011年10月22日9时4分.zip2"));
    EXPECT_FALSE(leftovers());
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
    sys.dirs({"C:\\s1"});
    runner.backup(project);
    ASSERT_EQ(sys.calls_of("compress").size(), 1u);
    EXPECT_TRUE(sys.has(project.backup_folder + "\\2011年10月22日.zip"));
}

TEST_F(Operations, RefusalsTouchNothingAndSayWhy) {
    project.save_paths = {"C:\\s1"};
    sys.dirs({"C:\\s1"});
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
    sys.dirs({"C:\\s1", "C:\\s3"});
    Outcome o = runner.backup(project);
    EXPECT_EQ(texts(backup_notices(o)), (std::vector<std::string>{"存档 C:\\gone 不存在",
                                                                  "备份完成，备份文件为： \r\n" + archive(1)}));
    EXPECT_TRUE(sys.has(archive(3)));
    EXPECT_FALSE(sys.has(archive(2)));
    EXPECT_EQ(o.archives[1].status, ArchiveResult::folder_missing);
}

TEST_F(Operations, AFailureInTheMiddleIsNeverCalledDone) {
    project.save_paths = {"C:\\s1", "C:\\s2", "C:\\s3"};
    sys.dirs({"C:\\s1", "C:\\s2", "C:\\s3"});
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
    sys.dirs({"C:\\s1", "C:\\s2"});
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
    sys.dirs({"C:\\s1"});
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
    sys.dirs({"C:\\s1"});
    sys.files_at({archive(1), archive(2), archive(3)});
    Outcome o = runner.restore(project, answer(archive(1)));
    EXPECT_EQ(confirmed, 1);
    ASSERT_EQ(sys.calls_of("restore").size(), 1u);
    EXPECT_EQ(sys.calls[0].from, archive(1));
    EXPECT_EQ(o.archives.size(), 3u);
    EXPECT_EQ(view.counters, (std::vector<std::string>{"1/3", "2/3", "3/3", "3/3"}));
    // The label says the save that was there is kept; the message stays as it always was.
    EXPECT_EQ(view.statuses.back(), "恢复完成，原存档已保存到 恢复前");
    std::vector<Notice> told = restore_notices(o);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].text, "恢复完成，恢复文件为：\r\n" + archive(1));
    EXPECT_EQ(told[0].title, "提示");
}

TEST_F(Operations, DecliningOrCancellingExtractsNothing) {
    project.save_paths = {"C:\\s1"};
    sys.dirs({"C:\\s1"});
    Outcome o = runner.restore(project, answer(archive(1), false));
    EXPECT_EQ(o.refusal, Outcome::declined);
    EXPECT_EQ(texts(restore_notices(o)), std::vector<std::string>{"存档恢复被取消"});
    o = runner.restore(project, answer(std::nullopt));
    EXPECT_EQ(o.refusal, Outcome::cancelled);
    EXPECT_TRUE(restore_notices(o).empty());
    EXPECT_EQ(confirmed, 1);
    EXPECT_TRUE(sys.calls_of("restore").empty());
}

TEST_F(Operations, AMissingFirstFolderIsRestoredWithoutAsking) {
    project.save_paths = {"C:\\s1"};
    sys.files_at({archive(1)});
    Outcome o = runner.restore(project, answer(archive(1)));
    EXPECT_EQ(confirmed, 0);
    EXPECT_EQ(texts(restore_notices(o)), std::vector<std::string>{"恢复完成，恢复文件为：\r\n" + archive(1)});
    EXPECT_TRUE(view.counters.empty());
}

TEST_F(Operations, AMissingCompanionIsReportedAndDoesNotBlockTheOthers) {
    project.save_paths = {"C:\\s1", "C:\\s2", "C:\\s3", ""};
    sys.files_at({archive(1), archive(3), archive(4)});
    Outcome o = runner.restore(project, answer(archive(1)));
    EXPECT_EQ(o.archives[2].status, ArchiveResult::done);
    // An empty save path never means "here": nothing is extracted into the current folder.
    EXPECT_EQ(o.archives[3].status, ArchiveResult::no_target);
    EXPECT_EQ(texts(restore_notices(o)),
              (std::vector<std::string>{"恢复失败：" + archive(2) + "\r\n备份文件不存在。",
                                        "恢复失败：" + archive(4) + "\r\n存档路径为空，没有恢复的位置。",
                                        "恢复未全部完成。\r\n已恢复：\r\n" + archive(1) + "\r\n" + archive(3) +
                                            "\r\n未能恢复：\r\n" + archive(2) + "\r\n" + archive(4)}));
}

TEST_F(Operations, ABadArchiveChangesNothingAndSaysWhichAndWhy) {
    project.save_paths = {"C:\\s1", "C:\\s2", "C:\\s3"};
    sys.files_at({archive(1), archive(2), archive(3)});
    sys.fail[archive(3)] = "文件数据校验失败（CRC 错误）：a.sav";
    Outcome o = runner.restore(project, answer(archive(1)));
    EXPECT_EQ(o.first_done, "");
    EXPECT_EQ(texts(restore_notices(o)),
              std::vector<std::string>{"恢复失败：" + archive(3) + "\r\n文件数据校验失败（CRC 错误）：a.sav\r\n"
                                       "存档保持原样，没有任何改动。"});
}

TEST_F(Operations, UndoAsksIsRefusedWhileTheProgramRunsAndSaysWhatHappened) {
    project.save_paths = {"C:\\s1"};
    int asked = 0;
    auto yes = [&] { return ++asked, true; };
    EXPECT_EQ(texts(undo_notices(runner.undo(project, yes))), std::vector<std::string>{"撤销完成，存档已回到上次恢复之前的样子。"});
    EXPECT_EQ(texts(undo_notices(runner.undo(project, [] { return false; }))), std::vector<std::string>{});
    sys.fail["undo"] = "无法替换文件（可能正被其他程序使用）：C:\\s1\\a.sav";
    EXPECT_EQ(texts(undo_notices(runner.undo(project, yes))),
              std::vector<std::string>{"撤销失败：无法替换文件（可能正被其他程序使用）：C:\\s1\\a.sav\r\n存档保持原样，没有任何改动。"});
    set_undoable(false);
    EXPECT_EQ(texts(undo_notices(runner.undo(project, yes))), std::vector<std::string>{"没有可以撤销的恢复。"});
    set_undoable(true);
    sys.running = {"game.exe"};
    EXPECT_EQ(texts(undo_notices(runner.undo(project, yes))), std::vector<std::string>{"程序[game.exe]在运行，不能进行撤销！"});
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(sys.calls_of("undo").size(), 2u);
}

TEST_F(Operations, AnInterruptedRestoreTakenBackFirstIsToldOnce) {
    project.save_paths = {"C:\\s1"};
    sys.dirs({"C:\\s1"});
    sys.interrupted = true;
    std::vector<std::string> told = texts(backup_notices(runner.backup(project)));
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0], interrupted_restore_text({}));
    EXPECT_EQ(told[1], "备份完成，备份文件为： \r\n" + archive(1));
}

// What the user is told names the archive by its number: an undo lists only the folders its
// restore wrote ("a||c" has no second), and what an earlier restore or undo left says what is on disk.
TEST(OutcomeText, FailuresNameTheirArchiveAndRecoveriesSayWhatIsOnDisk) {
    Outcome o;
    o.archives = {{1, "copy.zip", "C:\\a"}, {3, "copy.zip3", "C:\\c"}};
    o.failed_k = 3;
    o.failure = "无法替换文件：C:\\c\\x";
    EXPECT_EQ(texts(undo_notices(o)), std::vector<std::string>{"撤销失败：copy.zip3\r\n无法替换文件：C:\\c\\x\r\n存档保持原样，没有任何改动。"});
    const std::pair<RecoveryReport::What, const char*> cases[] = {
        {RecoveryReport::restore_taken_back, "已经撤销：存档已回到恢复之前的样子"},
        {RecoveryReport::undo_taken_back, "撤销没有进行：存档仍是上次恢复之后的样子"},
        {RecoveryReport::restore_completed, "在中断前已经完成：存档已是恢复之后的样子"},
        {RecoveryReport::undo_completed, "上次的撤销在中断前已经完成"}};
    for (const auto& [what, says] : cases) {
        RecoveryReport r;
        r.what = what;
        EXPECT_NE(recovery_text(r, {}).find(says), std::string::npos) << says;
        EXPECT_NE(startup_recovery_text({{"游戏", r}}).find("游戏"), std::string::npos);
    }
}

}  // namespace
