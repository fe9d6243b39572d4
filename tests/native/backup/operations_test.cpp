// The steps, messages and stamps of backup and restore, over a scripted machine.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "backup/operations.h"
#include "paths/time_text.h"
#include "support/scripted_prompt.h"

namespace {

struct Call {
    std::string what, from, to;
};

class FakeSystem : public BackupSystem {
   public:
    std::set<std::string> dirs, files;
    std::set<std::string> running;
    std::map<std::string, std::string> fail;  // path → reason for compress/extract
    std::vector<Call> calls;
    std::vector<std::string> stamps;

    bool directory_exists(const std::string& p) override { return dirs.count(p) > 0; }
    bool file_exists(const std::string& p) override { return files.count(p) > 0; }
    bool create_directory(const std::string& p) override {
        calls.push_back({"mkdir", p, ""});
        return dirs.insert(p).second;
    }
    bool is_program_running(const std::string& exe) override { return running.count(exe) > 0; }
    zip::Result compress(const std::string& folder, const std::string& archive, const zip::ProgressFn& p) override {
        calls.push_back({"compress", folder, archive});
        if (p) {
            p({40, "存档/a.sav"});
            p({100, "存档/b.sav"});
        }
        if (fail.count(folder)) return {false, fail[folder]};
        files.insert(archive);
        return {};
    }
    zip::Result extract(const std::string& archive, const std::string& folder, const zip::ProgressFn& p) override {
        calls.push_back({"extract", archive, folder});
        if (p) p({100, "a.sav"});
        if (fail.count(archive)) return {false, fail[archive]};
        dirs.insert(folder);
        return {};
    }
    void stamp_operation_time(const std::string& project) override { stamps.push_back(project); }
};

class RecordingView : public ProgressView {
   public:
    int percent = 0;
    std::vector<std::string> statuses, counters;
    void set_percent(int p) override { percent = p; }
    void set_status(const std::string& t) override { statuses.push_back(t); }
    void set_counter(const std::string& t) override { counters.push_back(t); }
};

class Operations : public ::testing::Test {
   protected:
    void SetUp() override {
        prompt.install();
        set_clock_for_tests([] { return DateTime{2011, 10, 22, 9, 5, 0}; });
        project.name = "模擬市民3";
        project.program_path_text = "D:\\Games\\淺東\\game.exe";
        project.backup_folder = "T:\\tool\\存档目录\\模擬市民3";
    }
    void TearDown() override { set_clock_for_tests({}); }
    std::string archive(int k = 1) const {
        return archive_name(project.backup_folder + "\\2011年10月22日9时5分.zip", k);
    }

    FakeSystem sys;
    RecordingView view;
    ScriptedPrompt prompt;
    BackupRunner runner{sys, view};
    ProjectState project;
};

TEST_F(Operations, BacksUpThreeFoldersUnderOneTimeName) {
    project.save_paths = {"C:\\s1", "C:\\s2", "C:\\s3"};
    sys.dirs = {"C:\\s1", "C:\\s2", "C:\\s3"};
    runner.backup(project);
    ASSERT_EQ(sys.calls.size(), 4u);
    EXPECT_EQ(sys.calls[0].what, "mkdir");
    EXPECT_EQ(sys.calls[0].from, project.backup_folder);
    EXPECT_EQ(sys.calls[1].to, archive(1));
    EXPECT_EQ(sys.calls[2].to, project.backup_folder + "\\2011年10月22日9时5分.zip2");
    EXPECT_EQ(sys.calls[3].to, project.backup_folder + "\\2011年10月22日9时5分.zip3");
    EXPECT_EQ(view.counters, (std::vector<std::string>{"1/3", "2/3", "3/3"}));
    EXPECT_EQ(view.percent, 100);
    // Entries show as Windows paths; the status names the first archive as done, also for the later ones.
    EXPECT_EQ(view.statuses.front(), "存档\\a.sav");
    EXPECT_EQ(view.statuses.back(), archive(1) + " 备份完成");
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "备份完成，备份文件为： \r\n" + archive(1));
    EXPECT_EQ(prompt.messages[0].title, "提示：");
    EXPECT_EQ(sys.stamps, std::vector<std::string>{"模擬市民3"});
}

TEST_F(Operations, AtMidnightTheArchiveIsNamedByTheDateAlone) {
    set_clock_for_tests([] { return DateTime{2011, 10, 22, 0, 0, 0}; });
    project.save_paths = {"C:\\s1"};
    sys.dirs = {"C:\\s1", project.backup_folder};
    runner.backup(project);
    ASSERT_EQ(sys.calls.size(), 1u);  // the backup folder exists: not made again
    EXPECT_EQ(sys.calls[0].to, project.backup_folder + "\\2011年10月22日.zip");
}

TEST_F(Operations, ARunningProgramRefusesBackupAndRestoreButStamps) {
    sys.running = {"game.exe"};
    project.save_paths = {"C:\\s1"};
    sys.dirs = {"C:\\s1"};
    runner.backup(project);
    bool asked = false;
    runner.restore(project, [&] { asked = true; return std::optional<std::string>("x.zip"); });
    EXPECT_FALSE(asked);
    EXPECT_TRUE(sys.calls.empty());
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{"程序[game.exe]在运行，不能进行备份！",
                                                        "程序[game.exe]在运行，不能进行恢复！"}));
    EXPECT_EQ(sys.stamps.size(), 2u);
}

TEST_F(Operations, AMissingFolderIsReportedAndTheOthersGoOn) {
    project.save_paths = {"C:\\s1", "C:\\gone", "C:\\s3"};
    sys.dirs = {"C:\\s1", "C:\\s3"};
    runner.backup(project);
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{"存档 C:\\gone 不存在",
                                                        "备份完成，备份文件为： \r\n" + archive(1)}));
    EXPECT_TRUE(sys.files.count(archive(3)));
    EXPECT_FALSE(sys.files.count(archive(2)));
}

TEST_F(Operations, AMissingFirstFolderStillNamesTheOthersFromNow) {
    project.save_paths = {"C:\\gone", "C:\\s2"};
    sys.dirs = {"C:\\s2"};
    runner.backup(project);
    ASSERT_EQ(sys.calls.back().what, "compress");
    EXPECT_EQ(sys.calls.back().to, archive(2));
    // The completion names what was really written.
    EXPECT_EQ(prompt.texts().back(), "备份完成，备份文件为： \r\n" + archive(2));
}

TEST_F(Operations, AFailedCompressionIsReportedAndNotCalledDone) {
    project.save_paths = {"C:\\s1"};
    sys.dirs = {"C:\\s1"};
    sys.fail["C:\\s1"] = "无法读取文件：a.sav";
    runner.backup(project);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "备份失败：" + archive(1) + "\r\n无法读取文件：a.sav");
    EXPECT_EQ(sys.stamps.size(), 1u);
}

TEST_F(Operations, NothingToBackUpSaysSo) {
    runner.backup(project);
    EXPECT_TRUE(sys.calls.empty());
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(sys.stamps.size(), 1u);
}

TEST_F(Operations, ANameThatIsNoFolderNameTouchesNothing) {
    for (const char* bad : {"..", "a\\..\\..\\x", "", "a:b"}) {
        project.name = bad;
        project.save_paths = {"C:\\s1"};
        sys.dirs = {"C:\\s1"};
        runner.backup(project);
        runner.restore(project, [] { return std::optional<std::string>("x.zip"); });
        EXPECT_TRUE(sys.calls.empty()) << bad;
    }
    EXPECT_EQ(prompt.messages.size(), 8u);
}

TEST_F(Operations, RestoreAsksBeforeOverwritingAndExtractsTheCompanions) {
    project.save_paths = {"C:\\s1", "C:\\s2", "C:\\s3"};
    sys.dirs = {"C:\\s1"};
    sys.files = {archive(1), archive(2), archive(3)};
    prompt.answers = {mb::kIdYes};
    runner.restore(project, [&] { return std::optional<std::string>(archive(1)); });
    ASSERT_EQ(prompt.messages.size(), 2u);
    EXPECT_EQ(prompt.messages[0].text, "存档已存在是否覆盖？");
    EXPECT_EQ(prompt.messages[0].style, 36u);
    EXPECT_EQ(prompt.messages[1].text, "恢复完成，恢复文件为：\r\n" + archive(1));
    EXPECT_EQ(prompt.messages[1].title, "提示");
    ASSERT_EQ(sys.calls.size(), 3u);
    EXPECT_EQ(sys.calls[1].from, archive(2));
    EXPECT_EQ(sys.calls[1].to, "C:\\s2");
    EXPECT_EQ(view.counters, (std::vector<std::string>{"1/3", "2/3", "3/3"}));
    EXPECT_EQ(view.statuses.back(), archive(1) + " 恢复完成");
}

TEST_F(Operations, DecliningTheOverwriteExtractsNothing) {
    project.save_paths = {"C:\\s1"};
    sys.dirs = {"C:\\s1"};
    prompt.answers = {mb::kIdNo};
    runner.restore(project, [&] { return std::optional<std::string>(archive(1)); });
    EXPECT_TRUE(sys.calls.empty());
    EXPECT_EQ(prompt.texts().back(), "存档恢复被取消");
    EXPECT_EQ(sys.stamps.size(), 1u);
}

TEST_F(Operations, AMissingFirstFolderIsRestoredWithoutAsking) {
    project.save_paths = {"C:\\s1"};
    sys.files = {archive(1)};
    runner.restore(project, [&] { return std::optional<std::string>(archive(1)); });
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"恢复完成，恢复文件为：\r\n" + archive(1)});
    EXPECT_TRUE(view.counters.empty());
}

TEST_F(Operations, CancellingTheDialogOnlyStamps) {
    project.save_paths = {"C:\\s1"};
    runner.restore(project, [] { return std::nullopt; });
    EXPECT_TRUE(sys.calls.empty());
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(sys.stamps.size(), 1u);
}

TEST_F(Operations, MissingCompanionsAndBadArchivesAreReported) {
    project.save_paths = {"C:\\s1", "C:\\s2", "C:\\s3"};
    sys.files = {archive(1), archive(3)};
    sys.fail[archive(3)] = "文件校验失败：a.sav";
    runner.restore(project, [&] { return std::optional<std::string>(archive(1)); });
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{
                                  "恢复失败：" + archive(2) + "\r\n备份文件不存在。",
                                  "恢复失败：" + archive(3) + "\r\n文件校验失败：a.sav",
                                  "恢复完成，恢复文件为：\r\n" + archive(1)}));
}

TEST_F(Operations, AFailedFirstArchiveIsNotCalledRestored) {
    project.save_paths = {"C:\\s1", ""};
    sys.files = {archive(1), archive(2)};
    sys.fail[archive(1)] = "压缩文件已损坏";
    runner.restore(project, [&] { return std::optional<std::string>(archive(1)); });
    // An empty save path never means "here": nothing is extracted into the current folder.
    ASSERT_EQ(sys.calls.size(), 1u);
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{"恢复失败：" + archive(1) + "\r\n压缩文件已损坏",
                                                        "恢复失败：" + archive(2) + "\r\n存档路径为空，没有恢复的位置。"}));
}

}  // namespace
