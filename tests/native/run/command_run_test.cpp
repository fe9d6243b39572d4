// A run with arguments over a scripted machine: what it reads, prints, logs and returns.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "fs/memory_file_system.h"
#include "run/command_run.h"

namespace {

BackupJobResult written() {
    BackupJobResult r;
    r.outcome.archives = {backup::ArchiveResult{1, "E:\\存档目录\\甲\\2011年1月1日.zip", "C:\\存档", backup::ArchiveResult::done, "", {}}};
    r.outcome.first_done = r.outcome.archives[0].archive;
    return r;
}

class FakeHost : public CommandHost {
   public:
    bool old_layout = false;
    std::string list = "C:\\工具\\配置目录\\存档配置文件.ini";
    std::vector<std::string> names = {"甲", "Game"};
    std::map<std::string, BackupJobResult> results;  // by project; default: all written
    std::map<std::string, std::string> programs;      // project → program path
    int timed_minutes = 0;                            // 定时备份 of every project
    bool starts = true, stamps = true;
    int looks_running = 0;  // how many looks still find the program running
    bool syncs = false;     // 同步 of every project
    SyncReport sync_report;

    std::vector<std::string> printed, reported, backed_up, stamped, events;

    fs::MemoryFileSystem disk;
    fs::FileSystem& files() override { return disk; }
    void print(const std::string& line) override { printed.push_back(line); }
    void report(const std::vector<std::string>& lines) override {
        reported.insert(reported.end(), lines.begin(), lines.end());
    }
    bool needs_legacy_migration() override { return old_layout; }
    std::string machine_list() override { return list; }
    std::vector<std::string> project_names(const std::string& l) override {
        EXPECT_EQ(l, list);
        return names;
    }
    CurrentProject load_project(const std::string&, const std::string& name) override {
        CurrentProject p;
        p.name = name;
        p.program_file = programs[name];
        p.options.timed_minutes = timed_minutes;
        p.options.sync = syncs;
        return p;
    }
    BackupJobResult back_up(const std::string&, const CurrentProject& project, const BackupJob& job) override {
        backed_up.push_back(project.name);
        events.push_back(job.kind == backup::backup_kind::kTimed ? "timed backup" : "backup");
        auto it = results.find(project.name);
        return it == results.end() ? written() : it->second;
    }
    bool stamp(const std::string&, const std::string& name) override {
        stamped.push_back(name);
        return stamps;
    }
    std::map<std::string, SaveState> states;  // by project; default: missing, with a set
    std::vector<std::string> restored;
    RestoreAllRow look_at(const CurrentProject& project) override {
        RestoreAllRow row;
        row.project = project.name;
        row.state = states.count(project.name) ? states[project.name] : SaveState::missing;
        row.newest = row.state == SaveState::no_backup ? "" : "E:/存档目录/" + project.name + "/2011年1月1日.zip";
        row.ticked = row.state == SaveState::missing || row.state == SaveState::empty;
        return row;
    }
    BackupJobResult restore(const std::string&, const CurrentProject& project, const std::string& archive) override {
        restored.push_back(project.name + " " + archive);
        auto it = results.find(project.name);
        return it == results.end() ? written() : it->second;
    }
    bool start_program(const std::string& file) override {
        events.push_back("start " + file);
        return starts;
    }
    void wait_for_started_program() override { events.push_back("wait"); }
    bool is_program_running(const std::string& exe) override {
        events.push_back("look " + exe);
        return looks_running-- > 0;
    }
    void pause(unsigned ms) override { events.push_back("pause " + std::to_string(ms)); }
    SyncReport sync(const std::string&, const std::string& project) override {
        events.push_back("sync " + project);
        return sync_report;
    }
    void offer_newer_set(const std::string&, const CurrentProject&) override { events.push_back("offer"); }
};

BackupJobResult refused() {
    BackupJobResult r;
    r.outcome.refusal = backup::Outcome::program_running;
    r.outcome.detail = "game.exe";
    return r;
}

BackupJobResult not_stamped() {
    BackupJobResult r = written();
    r.stamped = false;
    return r;
}

struct ParseCase {
    std::vector<std::string> args;
    Command::Kind kind;
    std::string project;
};

class ParseCases : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseCases, ReadsTheOptionAndItsProject) {
    const Command c = parse_command(GetParam().args);
    EXPECT_EQ(c.kind, GetParam().kind);
    EXPECT_EQ(c.project, GetParam().project);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ParseCases,
    ::testing::Values(ParseCase{{"/backup", "Half-Life 2"}, Command::backup, "Half-Life 2"},
                      ParseCase{{"-BACKUP", "甲"}, Command::backup, "甲"},
                      ParseCase{{"/Play", "甲"}, Command::play, "甲"}, ParseCase{{"/backup-all"}, Command::backup_all, ""},
                      ParseCase{{"/list"}, Command::list, ""}, ParseCase{{"/help"}, Command::help, ""},
                      ParseCase{{"/?"}, Command::help, ""}, ParseCase{{"-?"}, Command::help, ""},
                      ParseCase{{"/backup"}, Command::bad, ""}, ParseCase{{"/backup", ""}, Command::bad, ""},
                      ParseCase{{"/backup", "甲", "乙"}, Command::bad, ""},
                      ParseCase{{"/list", "甲"}, Command::bad, ""}, ParseCase{{"/backup-all", "甲"}, Command::bad, ""},
                      ParseCase{{"backup", "甲"}, Command::bad, ""}, ParseCase{{"/restore", "甲"}, Command::restore, "甲"},
                      ParseCase{{"-Restore-All"}, Command::restore_all, ""}, ParseCase{{"/restore"}, Command::bad, ""},
                      ParseCase{{"/restore-all", "甲"}, Command::bad, ""}, ParseCase{{"/restore", "甲", "乙"}, Command::bad, ""},
                      ParseCase{{"/sync"}, Command::sync, ""}, ParseCase{{"-Sync", "甲"}, Command::sync, "甲"},
                      ParseCase{{"/sync", ""}, Command::bad, ""}, ParseCase{{"/sync", "甲", "乙"}, Command::bad, ""},
                      ParseCase{{}, Command::bad, ""}));

// An upload that fails leaves the backup's code alone; /sync's own code is the upload's.
TEST(CommandRun, SyncUploadsAfterTheBackupsOfProjectsThatSyncAndTellsItsOwnResult) {
    for (const bool syncs : {false, true}) {
        FakeHost host;
        host.syncs = syncs;
        host.sync_report.failed = 1;
        host.sync_report.log_lines = {"甲：2011年1月1日 未能上传"};
        EXPECT_EQ(run_command({"/backup", "甲"}, host), 0);
        EXPECT_EQ(host.events, syncs ? (std::vector<std::string>{"backup", "sync 甲"}) : std::vector<std::string>{"backup"});
    }
    FakeHost host;
    EXPECT_EQ(run_command({"/sync"}, host), 0);
    EXPECT_EQ(host.reported.back(), "没有待上传的备份");
    host.sync_report.refused = true;
    EXPECT_EQ(run_command({"/sync", "game"}, host), 2);
    EXPECT_EQ(host.events.back(), "sync Game");
    EXPECT_EQ(run_command({"/sync", "乙"}, host), 2);
    EXPECT_EQ(host.events.size(), 2u);
    // /play offers the server's newer set only before the game runs.
    for (const int running : {0, 1}) {
        FakeHost play;
        play.syncs = true;
        play.programs["甲"] = "C:\\游戏\\game.exe";
        play.looks_running = running;
        run_command({"/play", "甲"}, play);
        EXPECT_EQ(play.events[1], running ? "start C:\\游戏\\game.exe" : "offer");
    }
}

TEST(CommandRun, HelpAndBadArgumentsPrintTheUsage) {
    FakeHost host;
    EXPECT_EQ(run_command({"/help"}, host), 0);
    EXPECT_EQ(host.printed, std::vector<std::string>{kUsage});
    EXPECT_TRUE(host.reported.empty());
    FakeHost bad;
    EXPECT_EQ(run_command({"/backup", "甲", "乙"}, bad), 2);
    EXPECT_EQ(bad.reported, std::vector<std::string>{"参数有误：/backup 甲 乙"});
    EXPECT_EQ(bad.printed, std::vector<std::string>{kUsage});
}

TEST(CommandRun, RefusesWithoutAListOrBeforeTheMoveOfAnOldToolFolder) {
    FakeHost old;
    old.old_layout = true;
    EXPECT_EQ(run_command({"/list"}, old), 2);
    EXPECT_EQ(old.printed, std::vector<std::string>{"请先不带参数启动一次 Varnoke，完成版本升级后的文件迁移。"});
    FakeHost none;
    none.list.clear();
    EXPECT_EQ(run_command({"/backup", "甲"}, none), 2);
    EXPECT_EQ(none.reported, std::vector<std::string>{"本机存档配置文件未指定：请先启动 Varnoke 生成或选择项目列表。"});
    EXPECT_TRUE(none.backed_up.empty());
}

TEST(CommandRun, ListsAndBacksUpListedProjectsByTheirListedName) {
    FakeHost host;
    EXPECT_EQ(run_command({"/list"}, host), 0);
    EXPECT_EQ(host.printed, host.names);
    EXPECT_EQ(run_command({"/backup", "GAME"}, host), 0);
    EXPECT_EQ(host.backed_up, std::vector<std::string>{"Game"});
    EXPECT_EQ(run_command({"/backup", "乙"}, host), 2);
    EXPECT_EQ(host.reported.back(), "乙：项目列表中没有这个项目。");
    EXPECT_EQ(host.backed_up.size(), 1u);
}

struct AllCase {
    std::map<std::string, BackupJobResult> results;
    int code;
};

class BackupAllCases : public ::testing::TestWithParam<AllCase> {};

TEST_P(BackupAllCases, BacksUpEveryProjectAndTheWorstCounts) {
    FakeHost host;
    host.results = GetParam().results;
    EXPECT_EQ(run_command({"/backup-all"}, host), GetParam().code);
    EXPECT_EQ(host.backed_up, host.names);
}

INSTANTIATE_TEST_SUITE_P(Results, BackupAllCases,
                         ::testing::Values(AllCase{{}, 0}, AllCase{{{"甲", not_stamped()}}, 1},
                                           AllCase{{{"Game", refused()}}, 2},
                                           AllCase{{{"甲", refused()}, {"Game", not_stamped()}}, 2}));

struct RestoreCase {
    std::vector<std::string> args;
    std::map<std::string, SaveState> states;
    std::map<std::string, BackupJobResult> results;
    std::vector<std::string> restored;  // the projects restored, in order
    int code;
};

class RestoreCases : public ::testing::TestWithParam<RestoreCase> {};

// /restore takes the newest set of the project named; /restore-all only projects whose saves are
// missing or empty, and the worst result counts.
TEST_P(RestoreCases, RestoresTheNewestSetOfTheProjectsItMay) {
    FakeHost host;
    host.states = GetParam().states;
    host.results = GetParam().results;
    EXPECT_EQ(run_command(GetParam().args, host), GetParam().code);
    std::vector<std::string> expected;
    for (const std::string& name : GetParam().restored) expected.push_back(name + " E:/存档目录/" + name + "/2011年1月1日.zip");
    EXPECT_EQ(host.restored, expected);
    EXPECT_TRUE(host.backed_up.empty());
    EXPECT_FALSE(host.reported.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Codes, RestoreCases,
    ::testing::Values(RestoreCase{{"/restore", "game"}, {{"Game", SaveState::same}}, {}, {"Game"}, 0},
                      RestoreCase{{"/restore", "甲"}, {}, {{"甲", refused()}}, {"甲"}, 2},
                      RestoreCase{{"/restore", "甲"}, {}, {{"甲", not_stamped()}}, {"甲"}, 1},
                      RestoreCase{{"/restore", "甲"}, {{"甲", SaveState::no_backup}}, {}, {}, 2},
                      RestoreCase{{"/restore", "乙"}, {}, {}, {}, 2},
                      RestoreCase{{"/restore-all"}, {{"甲", SaveState::local_newer}, {"Game", SaveState::empty}}, {}, {"Game"}, 0},
                      RestoreCase{{"/restore-all"}, {{"甲", SaveState::same}, {"Game", SaveState::no_backup}}, {}, {}, 0},
                      RestoreCase{{"/restore-all"}, {}, {{"甲", not_stamped()}}, {"甲", "Game"}, 1},
                      RestoreCase{{"/restore-all"}, {}, {{"甲", refused()}, {"Game", not_stamped()}}, {"甲", "Game"}, 2}));

TEST(CommandRun, AStampThatFailedIsLoggedAndAnEmptyListSaidSo) {
    FakeHost host;
    host.results["甲"] = not_stamped();
    EXPECT_EQ(run_command({"/backup", "甲"}, host), 1);
    EXPECT_EQ(host.reported, (std::vector<std::string>{"甲：备份完成：E:\\存档目录\\甲\\2011年1月1日.zip",
                                                       "甲：操作时间未能写入项目列表"}));
    FakeHost empty;
    empty.names.clear();
    EXPECT_EQ(run_command({"/backup-all"}, empty), 0);
    EXPECT_EQ(empty.reported, std::vector<std::string>{"项目列表中没有项目：" + empty.list});
}

TEST(CommandRun, PlayStartsStampsWaitsForEveryProcessOfTheNameThenBacksUp) {
    FakeHost host;
    host.programs["甲"] = "D:\\游戏\\game.exe";
    host.looks_running = 2;
    EXPECT_EQ(run_command({"/play", "甲"}, host), 0);
    EXPECT_EQ(host.stamped, std::vector<std::string>{"甲"});
    EXPECT_EQ(host.printed, std::vector<std::string>{"等待 game.exe 退出…"});
    EXPECT_EQ(host.events, (std::vector<std::string>{"start D:\\游戏\\game.exe", "wait", "look game.exe",
                                                      "pause 1000", "look game.exe", "pause 1000",
                                                      "look game.exe", "backup"}));
}

// With 定时备份=1 a program that runs 150 s is backed up after one and two minutes, then after it ended.
TEST(CommandRun, PlayBacksUpEverySoOftenWhileTheProgramRuns) {
    FakeHost host;
    host.programs["甲"] = "D:\\游戏\\game.exe";
    host.timed_minutes = 1;
    host.looks_running = 150;
    EXPECT_EQ(run_command({"/play", "甲"}, host), 0);
    std::vector<std::string> backups;
    for (const std::string& e : host.events)
        if (e.find("backup") != std::string::npos) backups.push_back(e);
    EXPECT_EQ(backups, (std::vector<std::string>{"timed backup", "timed backup", "backup"}));
}

TEST(CommandRun, PlayRefusesWithoutAProgramOrWhenItDoesNotStartAndStillStamps) {
    FakeHost host;
    EXPECT_EQ(run_command({"/play", "甲"}, host), 2);
    EXPECT_EQ(host.reported, std::vector<std::string>{"甲：没有设置程序路径，无法启动。"});
    EXPECT_TRUE(host.stamped.empty());
    host.programs["甲"] = "D:\\game.exe";
    host.starts = false;
    host.reported.clear();
    EXPECT_EQ(run_command({"/play", "甲"}, host), 2);
    EXPECT_EQ(host.reported, std::vector<std::string>{"甲：程序[D:\\game.exe]未能启动。"});
    EXPECT_EQ(host.stamped, std::vector<std::string>{"甲"});
    EXPECT_TRUE(host.backed_up.empty());
}

TEST(CommandRun, PlayWhoseStartStampFailedEndsWithOneAfterACompleteBackup) {
    FakeHost host;
    host.programs["甲"] = "D:\\game.exe";
    host.stamps = false;
    EXPECT_EQ(run_command({"/play", "甲"}, host), 1);
    EXPECT_EQ(host.reported.front(), "甲：操作时间未能写入项目列表");
    EXPECT_EQ(host.backed_up, std::vector<std::string>{"甲"});
}

}  // namespace
