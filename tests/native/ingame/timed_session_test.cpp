// Backups while the game runs, on a fake clock over a disk held in memory: when timed backups are
// due, which ones write a set, what their pruning keeps, and the quick keys' text and double press.
#include <gtest/gtest.h>

#include "backup/history.h"
#include "backup/sets.h"
#include "backup/zip/archive_reader.h"
#include "backup/operations.h"
#include "config/names.h"
#include "paths/time_text.h"
#include "run/backup_job.h"
#include "run/command_run.h"
#include "run/notifier.h"
#include "run/quick_keys.h"
#include "run/save_changes.h"
#include "run/timed_backups.h"
#include "fs/memory_file_system.h"

namespace {

class NoStamp : public OperationStamp {
   public:
    int stamps = 0;
    bool stamp(const std::string&) override { return ++stamps > 0; }
};

constexpr int64_t kStartUnix = 1767261600;  // 2026-01-01 10:00:00 UTC
const std::string kFolder = "E:\\存档目录\\游戏";

// Seconds since the session began, as the clock the backups name their sets by.
void set_session_clock(int64_t t) {
    set_clock_for_tests([t] {
        return DateTime{2026, 1, 1, 10 + static_cast<int>(t / 3600), static_cast<int>(t / 60 % 60),
                        static_cast<int>(t % 60)};
    });
}

class Session : public ::testing::Test {
   protected:
    void SetUp() override {
        disk.add_dir("C:\\存档");
        disk.add_file("C:\\存档\\a.sav", "save 0", kStartUnix - 600);
        disk.add_dir(kFolder);
    }
    void TearDown() override { set_clock_for_tests(nullptr); }

    BackupJobResult back_up(const BackupJob& job) { return run_backup_job(runner, disk, stamp, project, job); }

    fs::MemoryFileSystem disk;
    bool running = false;
    backup::NoProgress view;
    backup::BackupRunner runner{{disk, [this](const std::string&) { return running; }, 1}, view};
    NoStamp stamp;
    const backup::ProjectState project{"游戏", "D:\\游戏\\game.exe", {"C:\\存档"}, kFolder, {}};
};

// 定时备份=1 over five minutes; the game saves every 20 s for the first three only.
TEST_F(Session, OneSetPerMinuteInWhichTheSaveChangedAndPruningSparesOtherKinds) {
    backup::BackupInfo info(disk, kFolder);
    for (auto [name, kind, kept] : {std::tuple{"2020年1月1日.zip", backup::backup_kind::kManual, false},
                                    std::tuple{"2020年1月2日.zip", backup::backup_kind::kTimed, true},
                                    std::tuple{"2020年1月3日.zip", backup::backup_kind::kQuick, false}}) {
        disk.add_file(kFolder + "\\" + name, "zip");
        info.set_kind(name, kind);
        info.set_kept(name, kept);
    }
    disk.add_file(kFolder + "\\Desktop.ini", "[.ShellClassInfo]");
    running = true;
    ProjectOptions options;
    options.timed_minutes = 1;
    options.timed_keep = 2;
    TimedBackups timed;
    timed.set_projects({{"游戏", "game.exe", options.timed_minutes}});
    std::vector<int64_t> written_at, skipped_at;
    for (int64_t t = 0; t <= 300; t += kTimedLookSeconds) {
        if (t % 20 == 0 && t <= 160) disk.add_file("C:\\存档\\a.sav", "save " + std::to_string(t), kStartUnix + t);
        set_session_clock(t);
        for (const std::string& due : timed.tick(t, [this](const std::string&) { return running; })) {
            EXPECT_EQ(due, "游戏");
            const BackupJobResult r = back_up(timed_job(options));
            EXPECT_EQ(r.run_result(), backup::kAllWritten);
            (r.unchanged ? skipped_at : written_at).push_back(t);
        }
    }
    EXPECT_EQ(written_at, (std::vector<int64_t>{60, 120, 180}));
    EXPECT_EQ(skipped_at, (std::vector<int64_t>{240, 300}));
    EXPECT_EQ(stamp.stamps, 3);  // a skipped backup writes nothing, the list included
    std::vector<std::string> timed_sets;
    for (const backup::ArchiveSet& s : backup::list_sets(disk, kFolder, {false}))
        if (info.of(s.stem + ".zip").kind == backup::backup_kind::kTimed && !info.of(s.stem + ".zip").kept)
            timed_sets.push_back(s.stem);
    EXPECT_EQ(timed_sets, (std::vector<std::string>{"2026年1月1日10时3分", "2026年1月1日10时2分"}));
    for (const char* other : {"2020年1月1日.zip", "2020年1月2日.zip", "2020年1月3日.zip", "Desktop.ini"})
        EXPECT_TRUE(disk.exists(kFolder + "\\" + other)) << other;
}

TEST(TimedClock, StartsWhenTheProgramIsSeenAndStopsWhenItEnds) {
    TimedBackups timed;
    timed.set_projects({{"甲", "a.exe", 2}, {"乙", "b.exe", 0}, {"丙", "", 1}});
    bool running = false;
    const auto look = [&](const std::string&) { return running; };
    EXPECT_TRUE(timed.tick(0, look).empty());
    EXPECT_TRUE(timed.watched().empty());
    running = true;
    EXPECT_TRUE(timed.tick(10, look).empty());
    EXPECT_EQ(timed.watched(), std::vector<std::string>{"甲"});
    EXPECT_TRUE(timed.tick(129, look).empty());
    EXPECT_EQ(timed.tick(130, look), std::vector<std::string>{"甲"});
    EXPECT_EQ(timed.tick(1000, look), std::vector<std::string>{"甲"});  // one, not the missed ones
    EXPECT_TRUE(timed.tick(1005, look).empty());
    timed.set_projects({{"甲", "a.exe", 2}});  // a reload keeps the clock
    EXPECT_EQ(timed.tick(1090, look), std::vector<std::string>{"甲"});
    running = false;
    EXPECT_TRUE(timed.tick(1100, look).empty());
    EXPECT_TRUE(timed.watched().empty());
    running = true;
    EXPECT_TRUE(timed.tick(1210, look).empty());  // started over
    EXPECT_EQ(timed.tick(1330, look), std::vector<std::string>{"甲"});
}

// What counts as a change against the newest set.
struct Change {
    const char* what;
    std::function<void(fs::MemoryFileSystem&)> change;
    bool unchanged;
};

void PrintTo(const Change& c, std::ostream* os) { *os << c.what; }

class SkipUnchanged : public Session, public ::testing::WithParamInterface<Change> {};

TEST_P(SkipUnchanged, ComparesNamesSizesAndTimesWithTheNewestSet) {
    disk.add_dir("C:\\存档\\子");
    disk.add_file("C:\\存档\\子\\b.dat", "bbb", kStartUnix);
    set_session_clock(0);
    ASSERT_EQ(back_up({}).run_result(), backup::kAllWritten);
    GetParam().change(disk);
    EXPECT_EQ(saves_unchanged(disk, project), GetParam().unchanged);
}

const auto touch = [](int64_t mtime, const char* data = "bbb") {
    return [=](fs::MemoryFileSystem& d) { d.add_file("C:\\存档\\子\\b.dat", data, mtime); };
};

INSTANTIATE_TEST_SUITE_P(
    Changes, SkipUnchanged,
    ::testing::Values(Change{"nothing", [](fs::MemoryFileSystem&) {}, true},
                      Change{"a second later", touch(kStartUnix + 1), false},
                      Change{"an hour earlier", touch(kStartUnix - 3600), false},
                      Change{"other bytes, same size and time", touch(kStartUnix, "ccc"), true},
                      Change{"a byte longer", touch(kStartUnix, "bbbb"), false},
                      Change{"a file added", [](fs::MemoryFileSystem& d) { d.add_file("C:\\存档\\c", ""); }, false},
                      Change{"a folder added", [](fs::MemoryFileSystem& d) { d.add_dir("C:\\存档\\新"); }, false},
                      Change{"a file gone", [](fs::MemoryFileSystem& d) { d.remove_file("C:\\存档\\子\\b.dat"); }, false},
                      Change{"the newest set gone",
                             [](fs::MemoryFileSystem& d) {
                                 d.remove_file(kFolder + "\\2026年1月1日10时.zip");
                             },
                             false}),
    [](const ::testing::TestParamInfo<Change>& info) { return "case" + std::to_string(info.index); });

// A time the extended field cannot hold is kept in DOS form, local and in 2-second steps.
TEST_F(Session, ATimeBeyondTheExtendedFieldComparesInDosForm) {
    const int64_t late = int64_t{1} << 32;  // 2106
    disk.add_file("C:\\存档\\a.sav", "save", late);
    set_session_clock(0);
    ASSERT_EQ(back_up({}).run_result(), backup::kAllWritten);
    EXPECT_TRUE(saves_unchanged(disk, project));
    disk.add_file("C:\\存档\\a.sav", "save", late + 4);
    EXPECT_FALSE(saves_unchanged(disk, project));
}

// /backup twice without a change: one set, the second run logs the skip and exits 0.
class CommandHostOnDisk : public CommandHost {
   public:
    CommandHostOnDisk(fs::FileSystem& disk, std::function<BackupJobResult(const BackupJob&)> back_up)
        : disk_(disk), back_up_(std::move(back_up)) {}
    std::vector<std::string> reported;
    void print(const std::string&) override {}
    void report(const std::vector<std::string>& lines) override {
        reported.insert(reported.end(), lines.begin(), lines.end());
    }
    bool needs_legacy_migration() override { return false; }
    std::string machine_list() override { return "list.ini"; }
    std::vector<std::string> project_names(const std::string&) override { return {"游戏"}; }
    CurrentProject load_project(const std::string&, const std::string& name) override {
        CurrentProject p;
        p.name = name;
        p.backup_folder = kFolder;
        return p;
    }
    BackupJobResult back_up(const std::string&, const CurrentProject&, const BackupJob& job) override {
        return back_up_(job);
    }
    bool stamp(const std::string&, const std::string&) override { return true; }
    RestoreAllRow look_at(const CurrentProject&) override { return {}; }
    BackupJobResult restore(const std::string&, const CurrentProject&, const std::string&) override { return {}; }
    bool start_program(const std::string&) override { return true; }
    void wait_for_started_program() override {}
    bool is_program_running(const std::string&) override { return false; }
    void pause(unsigned) override {}
    fs::FileSystem& files() override { return disk_; }

   private:
    fs::FileSystem& disk_;
    std::function<BackupJobResult(const BackupJob&)> back_up_;
};

TEST_F(Session, BackupTwiceWithoutAChangeWritesOneSetAndLogsTheSkip) {
    running = false;
    CommandHostOnDisk host(disk, [this](const BackupJob& job) { return back_up(job); });
    set_session_clock(0);
    EXPECT_EQ(run_command({"/backup", "游戏"}, host), backup::kAllWritten);
    set_session_clock(90);
    host.reported.clear();
    EXPECT_EQ(run_command({"/backup", "游戏"}, host), backup::kAllWritten);
    EXPECT_EQ(host.reported, std::vector<std::string>{"游戏：未变化，跳过"});
    EXPECT_EQ(backup::list_sets(disk, kFolder, {false}).size(), 1u);
    EXPECT_EQ(stamp.stamps, 1);
    // 备份存档 in the window always writes.
    EXPECT_FALSE(back_up({}).unchanged);
    EXPECT_EQ(backup::list_sets(disk, kFolder, {false}).size(), 2u);
}

TEST_F(Session, TimedAndQuickBackupsRunWhileTheProgramRunsOthersAreRefused) {
    running = true;
    set_session_clock(0);
    EXPECT_EQ(back_up(command_line_job({})).outcome.refusal, backup::Outcome::program_running);
    EXPECT_EQ(back_up(after_exit_job({})).outcome.refusal, backup::Outcome::program_running);
    EXPECT_EQ(back_up(quick_job({})).run_result(), backup::kAllWritten);
    set_session_clock(5);
    disk.add_file("C:\\存档\\a.sav", "save 5", kStartUnix + 5);
    const BackupJobResult r = back_up(timed_job({}));
    EXPECT_EQ(r.run_result(), backup::kAllWritten);
    const Note note = backup_note("游戏", "定时备份", r, true);
    EXPECT_FALSE(note.failure);
    EXPECT_FALSE(note.quiet);
    const Note skipped = backup_note("游戏", "定时备份", back_up(timed_job({})), true);
    EXPECT_TRUE(skipped.quiet);
    EXPECT_EQ(skipped.log_lines, std::vector<std::string>{"游戏：未变化，跳过"});
}

// The files of an archive on the disk.
std::vector<std::string> archived_files(fs::FileSystem& disk, const std::string& archive) {
    std::vector<std::string> names;
    if (std::unique_ptr<fs::InputFile> in = disk.open_read(archive))
        for (const zip::ArchiveEntry& e : zip::read_directory(*in, fs::legacy_name).entries)
            if (!e.is_dir) names.push_back(e.name);
    return names;
}

// 排除=cache\;*.log over a save with 200 cache files and logs: backups hold the save alone, a log
// that changed leaves the save unchanged, and a restore, even of a set made before 排除 was set,
// leaves the cache as it is and out of its safety copy.
TEST_F(Session, ExclusionsLeaveCacheAndLogsOutOfBackupsComparisonsAndRestores) {
    for (const char* dir : {"C:\\存档\\Cache", "C:\\存档\\logs"}) disk.add_dir(dir);
    for (int i = 0; i < 200; ++i) disk.add_file("C:\\存档\\Cache\\" + std::to_string(i) + ".bin", "cached", kStartUnix);
    disk.add_file("C:\\存档\\logs\\run.log", "log 0", kStartUnix);
    disk.add_file("C:\\存档\\b.sav", "save b", kStartUnix);
    backup::ProjectState p = project;
    p.exclusions = *backup::Exclusions::parse("cache\\;*.log");
    CommandHostOnDisk host(disk, [&](const BackupJob& job) { return run_backup_job(runner, disk, stamp, p, job); });
    set_session_clock(-60);
    const std::string older = runner.backup(project).first_done;
    EXPECT_EQ(archived_files(disk, older).size(), 203u);
    set_session_clock(0);
    EXPECT_EQ(run_command({"/backup", "游戏"}, host), backup::kAllWritten);
    const std::string first = backup::newest_set(disk, kFolder);
    EXPECT_EQ(archived_files(disk, first), (std::vector<std::string>{"a.sav", "b.sav"}));
    disk.add_file("C:\\存档\\logs\\run.log", "log 1", kStartUnix + 60);
    set_session_clock(90);
    host.reported.clear();
    EXPECT_EQ(run_command({"/backup", "游戏"}, host), backup::kAllWritten);
    EXPECT_EQ(host.reported, std::vector<std::string>{"游戏：未变化，跳过"});
    disk.add_file("C:\\存档\\Cache\\7.bin", "cache of now", kStartUnix + 100);
    disk.add_file("C:\\存档\\a.sav", "save later", kStartUnix + 100);
    const backup::Outcome o = runner.restore(p, {[&] { return older; }, [] { return true; }});
    ASSERT_FALSE(o.safety_copy.empty());
    EXPECT_EQ(fs::read_whole_file(disk, "C:\\存档\\Cache\\7.bin", 100), "cache of now");
    EXPECT_EQ(fs::read_whole_file(disk, "C:\\存档\\a.sav", 100), "save 0");
    EXPECT_EQ(fs::read_whole_file(disk, "C:\\存档\\logs\\run.log", 100), "log 1");
    EXPECT_EQ(archived_files(disk, o.safety_copy), std::vector<std::string>{"a.sav"});
}

// Five sets of two archives; a byte flipped inside the deflated save of the third, the .zip2 of the
// fourth cut short. /verify names exactly those two and why, writes nothing but their marks, and
// clears a mark once its set reads sound again.
TEST_F(Session, VerifyNamesTheDamagedSetsAndWritesNothingButTheirMarks) {
    disk.add_dir("C:\\存档2");
    backup::ProjectState p = project;
    p.save_paths.push_back("C:\\存档2");
    std::vector<std::string> files = {"C:\\存档\\a.sav", "C:\\存档2\\b.sav"};
    for (int i = 0; i < 5; ++i) {
        disk.add_file(files[0], std::string(4000, static_cast<char>('a' + i)) + "end", kStartUnix + i);
        disk.add_file(files[1], std::string(3000, 'b') + std::to_string(i), kStartUnix + i);
        set_session_clock(i * 60);
        ASSERT_TRUE(runner.backup(p).complete());
    }
    std::vector<backup::ArchiveSet> sets = backup::list_sets(disk, kFolder);
    ASSERT_EQ(sets.size(), 5u);
    std::reverse(sets.begin(), sets.end());  // oldest first
    const std::string third = sets[2].paths()[0], fourth = sets[3].paths()[1];
    const std::string sound_third = *fs::read_whole_file(disk, third, 1 << 20);
    std::string bytes = sound_third;
    const auto u16 = [&](std::size_t at) { return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8; };
    bytes[30 + u16(26) + u16(28) + u16(18) / 2] ^= 0x40;  // the middle of the first entry's data
    disk.add_file(third, bytes);
    disk.add_file(fourth, fs::read_whole_file(disk, fourth, 1 << 20)->substr(0, 100));
    for (const backup::ArchiveSet& set : sets)
        for (const std::string& path : set.paths()) files.push_back(path);
    std::vector<std::optional<std::string>> before;
    for (const std::string& f : files) before.push_back(fs::read_whole_file(disk, f, 1 << 20));
    CommandHostOnDisk host(disk, {});
    EXPECT_EQ(run_command({"/verify", "游戏"}, host), backup::kSomeFailed);
    ASSERT_EQ(host.reported.size(), 5u);
    const std::string damaged[] = {"", "", "已损坏：" + sets[2].names[0] + "：a.sav：",
                                   "已损坏：" + sets[3].names[1] + "：找不到压缩包的目录（文件不完整，可能被截断）", ""};
    for (std::size_t i = 0; i < 5; ++i) {
        const std::string head = "校验 游戏 " + sets[i].stem + "（手动）：";
        const std::string& line = host.reported[4 - i];  // newest first
        if (damaged[i].empty()) EXPECT_EQ(line, head + "完好");
        else EXPECT_EQ(line.substr(0, head.size() + damaged[i].size()), head + damaged[i]) << line;
    }
    EXPECT_NE(host.reported[2].find("压缩数据已损坏"), std::string::npos);
    for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(fs::read_whole_file(disk, files[i], 1 << 20), before[i]);
    const auto marked = [&] {
        std::vector<std::string> stems;
        for (const backup::HistoryRow& row : backup::history_rows(disk, kFolder, 2))
            if (!row.info.damaged.empty()) stems.push_back(row.set.stem);
        return stems;
    };
    EXPECT_EQ(marked(), (std::vector<std::string>{sets[3].stem, sets[2].stem}));
    disk.add_file(third, sound_third);
    EXPECT_EQ(run_command({"/verify"}, host), backup::kSomeFailed);
    EXPECT_EQ(marked(), std::vector<std::string>{sets[3].stem});
}

struct KeyCase {
    const char* text;
    std::optional<HotKey> key;
    const char* shown;
};

TEST(QuickKeys, ReadAndWrittenAsTheUserSeesThem) {
    const KeyCase cases[] = {
        {"Ctrl+Alt+B", HotKey{kModCtrl | kModAlt, 'B'}, "Ctrl+Alt+B"},
        {"alt + ctrl + r", HotKey{kModCtrl | kModAlt, 'R'}, "Ctrl+Alt+R"},
        {"Shift+F12", HotKey{kModShift, 0x7B}, "Shift+F12"},
        {"Ctrl+Shift+Alt+7", HotKey{kModCtrl | kModAlt | kModShift, '7'}, "Ctrl+Alt+Shift+7"},
        {"B", std::nullopt, ""},
        {"Ctrl+Ctrl+B", std::nullopt, ""},
        {"Ctrl+Win+B", std::nullopt, ""},
        {"Ctrl+", std::nullopt, ""},
        {"", std::nullopt, ""},
        {"Ctrl+F25", std::nullopt, ""},
    };
    for (const KeyCase& c : cases) {
        EXPECT_EQ(parse_hotkey(c.text), c.key) << c.text;
        if (c.key) {
            EXPECT_EQ(hotkey_text(*c.key), c.shown) << c.text;
        }
    }
    EXPECT_EQ(stored_hotkey("", kDefaultQuickRestoreKey), kDefaultQuickRestoreKey);
}

TEST(QuickKeys, RestoreNeedsASecondPressWithinFiveSeconds) {
    DoublePress p;
    EXPECT_FALSE(p.press(0));
    EXPECT_FALSE(p.press(5001));  // too late: this is a first press again
    EXPECT_TRUE(p.press(10000));
    EXPECT_FALSE(p.press(10001));  // a confirmed pair starts over
    EXPECT_TRUE(p.press(15001));
}

}  // namespace
