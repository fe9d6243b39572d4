// Every file call of a restore, an undo, a backup and the recovery at start, made to fail, ended
// as by a kill and ended as by a power cut (data not flushed is cut short), then the next start:
// the saves are always exactly as before or exactly as after, nothing of ours is left behind, the
// undo record belongs to the last restore that committed, and what the user is told is true.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#include "backup/operations.h"
#include "config/project_edit.h"
#include "backup/restore.h"
#include "backup/zip/names.h"
#include "paths/time_text.h"
#include "run/backup_job.h"
#include "zip_support/injecting_file_system.h"
#include "fs/memory_file_system.h"

namespace zip_test {
namespace {

using Mode = InjectingFileSystem::Mode;
using Snapshot = std::map<std::string, std::string>;

const std::string kRoot = "/tool/存档目录";
const std::string kBackup = kRoot + "/game";
const std::string kRecord = kBackup + "/恢复前/上次恢复.txt";
const std::vector<std::string> kSaves = {"/drive/saves/one", "/drive/saves/two"};

// Names, bytes, times and attributes of everything below `root`.
Snapshot snapshot(const fs::MemoryFileSystem& disk, const std::string& root) {
    Snapshot s;
    for (const auto& [path, node] : disk.nodes())
        if (path.rfind(root + "/", 0) == 0)
            s[path] = node.is_dir ? "/" : *node.data + "@" + std::to_string(node.mtime) + "/" + std::to_string(node.attributes);
    return s;
}

Snapshot saves(const fs::MemoryFileSystem& disk) { return snapshot(disk, "/drive"); }

std::vector<std::string> temporaries(const fs::MemoryFileSystem& disk) {
    std::vector<std::string> found;
    for (const auto& [path, node] : disk.nodes())
        if (fs::is_temporary_name(path.substr(path.rfind('/') + 1))) found.push_back(path);
    return found;
}

void copy_disk(const fs::MemoryFileSystem& from, fs::MemoryFileSystem& to) {
    to.nodes().clear();
    for (const auto& [path, node] : from.nodes()) {
        fs::MemoryFileSystem::Node n = node;
        n.data = std::make_shared<std::string>(*node.data);
        to.nodes()[path] = n;
    }
}

// The world before: save folder one with files (one of them read-only, with an exact time, one
// already as the set has it),
// folder two missing; a backup set on a USB drive; no backup folder on this machine yet.
void make_world(fs::MemoryFileSystem& disk) {
    for (const char* dir : {"/drive", "/drive/saves", "/drive/saves/one", "/drive/saves/one/sub", "/usb", "/usb/a",
                            "/usb/a/newdir", "/usb/b", "/tool", kRoot.c_str()})
        disk.add_dir(dir);
    disk.add_file("/drive/saves/one/a.sav", "old a", 1300000001);
    disk.add_file("/drive/saves/one/sub/b.sav", "old b", 1300000002);
    disk.add_file("/drive/saves/one/keep.sav", "untouched", 1300000003);
    disk.add_file("/drive/saves/one/same.sav", "as in the set", 1300000004);  // read, compared, left
    disk.nodes()["/drive/saves/one/a.sav"].attributes = 1;
    disk.add_file("/usb/a/a.sav", "new a");
    disk.add_file("/usb/a/sub/b.sav", "new b");
    disk.add_file("/usb/a/new.sav", "added");
    disk.add_file("/usb/a/same.sav", "as in the set", 1300000004);
    disk.add_file("/usb/a/newdir/c.sav", "c");
    disk.add_file("/usb/b/x.sav", "x");
    disk.add_dir("/usb/a/sub");
    zip::Options options;
    options.fs = &disk;
    options.threads = 1;
    ASSERT_TRUE(zip::compress_folder("/usb/a", "/usb/set.zip", {}, options).ok);
    ASSERT_TRUE(zip::compress_folder("/usb/b", "/usb/set.zip2", {}, options).ok);
}

backup::RestoreEvents one_thread() {
    backup::RestoreEvents events;
    events.threads = 1;
    return events;
}

backup::RestoreSetResult restore(fs::FileSystem& fs) {
    return backup::restore_with_safety_copy(fs, {"/usb/set.zip", kSaves, kBackup}, one_thread());
}
backup::RestoreSetResult undo(fs::FileSystem& fs) { return backup::undo_last_restore(fs, {kBackup, kSaves}, one_thread()); }

// The next start: every project folder's leftovers and journal.
backup::RecoveryReport next_start(fs::MemoryFileSystem& disk) {
    backup::RecoveryReport report;
    InjectingFileSystem fs(disk);
    fs.tracing = std::getenv("VARNOKE_TRACE_START") != nullptr;
    fs::remove_temporaries(fs, "/tool/配置目录");
    for (auto& [project, r] : backup::recover_all_projects(fs, kRoot, [](const std::string&) { return kSaves; }))
        report = r;
    for (const std::string& line : fs.trace) std::printf("start: %s\n", line.c_str());
    return report;
}

long count_calls(const std::function<void(fs::FileSystem&)>& operation, const fs::MemoryFileSystem& world) {
    fs::MemoryFileSystem disk;
    copy_disk(world, disk);
    InjectingFileSystem counting(disk);
    counting.tracing = std::getenv("VARNOKE_TRACE_CALLS") != nullptr;  // to see which call k is
    operation(counting);
    for (const std::string& line : counting.trace) std::printf("%s\n", line.c_str());
    return counting.calls();
}

// Runs `operation` on a copy of `world` with call k failed or ended, then the next start; returns
// the disk and what the user was told: the operation's own result when it failed (the program
// lives on), the next start's report when it ended.
struct Trial {
    fs::MemoryFileSystem disk;
    bool changed = false;  // the operation said it changed the saves
    backup::RecoveryReport told;
};

template <typename Operation>
void run_at(const fs::MemoryFileSystem& world, Mode mode, long k, bool power_cut, Operation operation, Trial& run) {
    copy_disk(world, run.disk);
    InjectingFileSystem inj(run.disk, mode, k);
    run.changed = operation(inj);
    if (power_cut) run.disk.power_cut();
    run.told = next_start(run.disk);
}

struct Points {
    long covered = 0;
    ~Points() { std::printf("[ injection ] %ld points covered (each failed, killed and cut)\n", covered); }
} points;

template <typename Operation, typename Check>
void every_point(const fs::MemoryFileSystem& world, Operation operation, Check check) {
    const long n = count_calls([&](fs::FileSystem& fs) { operation(fs); }, world);
    ASSERT_GT(n, 10);
    for (long k = 1; k <= n; ++k) {
        for (int way = 0; way < 3; ++way) {
            SCOPED_TRACE("call " + std::to_string(k) + " of " + std::to_string(n) + (way == 0 ? " failed" : way == 1 ? " killed" : " power cut"));
            Trial run;
            run_at(world, way == 0 ? Mode::fail : Mode::die, k, way == 2, operation, run);
            EXPECT_EQ(temporaries(run.disk), std::vector<std::string>{});
            EXPECT_FALSE(run.disk.exists(kBackup + "/恢复前/进行中.txt"));
            EXPECT_TRUE(run.told.damaged.empty() && run.told.waiting.empty());
            check(run, way == 0);
            if (::testing::Test::HasFailure()) return;
        }
        ++points.covered;
    }
}

class Injection : public ::testing::Test {
   protected:
    void SetUp() override {
        set_clock_for_tests([] { return DateTime{2011, 10, 22, 9, 5, 7}; });
        make_world(before);
        old_saves = saves(before);
        copy_disk(before, after);
        ASSERT_TRUE(restore(after).changed);
        new_saves = saves(after);
        ASSERT_NE(old_saves, new_saves);
        record = *after.nodes().at(kRecord).data;
        // A companion that cannot be seen is reported missing, and the others are restored.
        fs::MemoryFileSystem partial;
        copy_disk(before, partial);
        partial.remove_file("/usb/set.zip2");
        ASSERT_TRUE(restore(partial).changed);
        first_only = saves(partial);
        copy_disk(before, partial);
        partial.remove_file("/usb/set.zip");
        ASSERT_TRUE(restore(partial).changed);
        second_only = saves(partial);
    }
    void TearDown() override { set_clock_for_tests({}); }

    // A committed restore is undone exactly: names, bytes, times and attributes.
    void undo_gives_back_before(fs::MemoryFileSystem& disk) {
        ASSERT_TRUE(undo(disk).changed);
        EXPECT_EQ(saves(disk), old_saves);
        EXPECT_FALSE(disk.exists(kRecord));
    }

    fs::MemoryFileSystem before, after;
    Snapshot old_saves, new_saves, first_only, second_only;
    std::string record;
};

TEST_F(Injection, RestoreIsWholeOldOrWholeNewAtEveryCall) {
    every_point(before, [](fs::FileSystem& fs) { return restore(fs).changed; }, [&](Trial& run, bool lived) {
        const Snapshot now = saves(run.disk);
        const bool is_new = now == new_saves || (lived && (now == first_only || now == second_only));
        ASSERT_TRUE(is_new || now == old_saves);
        if (lived) {
            EXPECT_EQ(run.changed, is_new);
        }
        if (is_new) {
            EXPECT_NE(run.told.what, backup::RecoveryReport::restore_taken_back);
            ASSERT_TRUE(run.disk.exists(kRecord) || run.told.record_lost || run.changed);
            if (run.disk.exists(kRecord) && now == new_saves) undo_gives_back_before(run.disk);
        } else {
            EXPECT_NE(run.told.what, backup::RecoveryReport::restore_completed);
            EXPECT_FALSE(run.disk.exists(kRecord));
        }
    });
}

TEST_F(Injection, UndoIsWholeAtEveryCall) {
    every_point(after, [](fs::FileSystem& fs) { return undo(fs).changed; }, [&](Trial& run, bool lived) {
        const Snapshot now = saves(run.disk);
        const bool undone = now == old_saves;
        ASSERT_TRUE(undone || now == new_saves);
        if (lived) {
            EXPECT_EQ(run.changed, undone);
        }
        if (undone) {
            EXPECT_FALSE(run.disk.exists(kRecord));
            EXPECT_NE(run.told.what, backup::RecoveryReport::undo_taken_back);
        } else {
            ASSERT_TRUE(run.disk.exists(kRecord));
            EXPECT_EQ(*run.disk.nodes().at(kRecord).data, record);  // still the last restore's
            EXPECT_NE(run.told.what, backup::RecoveryReport::undo_completed);
        }
    });
}

TEST_F(Injection, RecoveryAtStartIsWholeAtEveryCall) {
    // A restore killed in the middle of its swap leaves its journal; the start that finds it is
    // itself failed, killed or cut at every call, and the start after that finishes the work.
    const long n = count_calls([](fs::FileSystem& fs) { restore(fs); }, before);
    for (long m : {n - 12, n - 20, n - 28}) {
        fs::MemoryFileSystem killed;
        copy_disk(before, killed);
        InjectingFileSystem inj(killed, Mode::die, m);
        restore(inj);
        if (!killed.exists(kBackup + "/恢复前/进行中.txt")) continue;
        every_point(killed, [](fs::FileSystem& fs) {
            backup::RecoveryReport r;
            for (auto& [p, report] : backup::recover_all_projects(fs, kRoot, [](const std::string&) { return kSaves; })) r = report;
            return r.what != backup::RecoveryReport::nothing;
        }, [&](Trial& run, bool) {
            const Snapshot now = saves(run.disk);
            ASSERT_TRUE(now == old_saves || now == new_saves);
        });
    }
}

// A backup as the window runs it: packed, the oldest set beyond 保留份数 deleted, its kind noted and
// 操作时间 stamped into a list of many projects.
TEST_F(Injection, ABackupWithPruningAndStampingLeavesEveryFileWhole) {
    fs::MemoryFileSystem world;
    copy_disk(after, world);  // both save folders exist now
    const std::string list = "/tool/配置目录/list.ini", info = kBackup + "/备份信息.ini";
    const std::vector<std::string> older = {"2011年10月1日", "2011年10月2日", "2011年10月3日"};
    world.add_dir("/tool/配置目录");
    std::string projects;
    for (int i = 0; i < 300; ++i) projects += "[项目" + std::to_string(i) + "]\r\n存档路径=C:\\存档\r\n";
    world.add_file(list, projects + "[game]\r\n存档路径=/drive/saves/one\r\n");
    for (const std::string& set : older) {
        world.add_file(kBackup + "/" + set + ".zip", set);
        world.add_file(kBackup + "/" + set + ".zip2", set + "2");
    }
    world.add_file(info, "[2011年10月2日.zip]\r\n保留=1\r\n");
    auto backup = [&](fs::FileSystem& fs) {
        backup::NoProgress view;
        backup::BackupRunner runner({fs, {}, 1}, view);
        ListStamp stamp{ProjectFiles{fs, list, kRoot}};
        const BackupJobResult job =
            run_backup_job(runner, fs, stamp, {"game", "game.exe", kSaves, kBackup, {}}, {backup::backup_kind::kManual, 2});
        return job.run_result() == backup::kAllWritten;
    };
    fs::MemoryFileSystem clean;
    copy_disk(world, clean);
    ASSERT_TRUE(backup(clean));
    ASSERT_FALSE(clean.exists(kBackup + "/" + older[0] + ".zip"));  // the oldest unkept set went
    const std::string first = kBackup + "/" + format_time_text({2011, 10, 22, 9, 5, 7}) + ".zip";
    // The kind noted beside the set is a note: a backup whose note could not be written stands.
    auto sets = [&](const fs::MemoryFileSystem& disk) {
        Snapshot s = snapshot(disk, kBackup);
        s.erase(info);
        return s;
    };
    const Snapshot whole = sets(clean);
    const std::set<std::string> lists = {*world.nodes().at(list).data, *clean.nodes().at(list).data};
    every_point(world, backup, [&](Trial& run, bool lived) {
        EXPECT_EQ(saves(run.disk), saves(world));
        const Snapshot set = sets(run.disk);
        const bool published = run.disk.exists(first);
        // Written whole, or not at all; pruning that could not learn which sets are kept waits.
        EXPECT_TRUE(published || !(lived && run.changed));
        if (published && !(lived && !run.changed)) {
            EXPECT_EQ(set.at(first), whole.at(first));
            EXPECT_EQ(set.at(first + "2"), whole.at(first + "2"));
        }
        EXPECT_TRUE(published || !run.disk.exists(first + "2"));
        // An older set is whole or has lost its first archive (its companions go next time).
        for (const std::string& old : older)
            EXPECT_TRUE(!run.disk.exists(kBackup + "/" + old + ".zip") || run.disk.exists(kBackup + "/" + old + ".zip2")) << old;
        for (size_t i = 1; i < older.size(); ++i) EXPECT_TRUE(run.disk.exists(kBackup + "/" + older[i] + ".zip"));
        // The list is the old one or the stamped one, never a part; the kept mark is never lost.
        ASSERT_TRUE(run.disk.exists(list));
        EXPECT_EQ(lists.count(*run.disk.nodes().at(list).data), 1u);
        ASSERT_TRUE(run.disk.exists(info));
        EXPECT_NE(run.disk.nodes().at(info).data->find("[2011年10月2日.zip]\r\n保留=1\r\n"), std::string::npos);
    });
}

// A drive taken away in the middle of the swap: the folders that can be reached are taken back, the
// journal stays and names the folder that waits; once the drive is back, that folder follows.
TEST_F(Injection, AFolderOnADriveTakenAwayWaitsUntilItIsBack) {
    fs::MemoryFileSystem world;
    copy_disk(before, world);
    world.add_dir("/usb2");
    world.add_dir("/usb2/two");
    world.add_file("/usb2/two/x.sav", "old x", 1300000009);
    const std::vector<std::string> on_two_drives = {kSaves[0], "/usb2/two"};
    auto restore_both = [&](fs::FileSystem& fs) {
        backup::restore_with_safety_copy(fs, {"/usb/set.zip", on_two_drives, kBackup}, one_thread());
    };
    fs::MemoryFileSystem traced;
    copy_disk(world, traced);
    InjectingFileSystem counting(traced);
    counting.tracing = true;
    restore_both(counting);
    long last_move_on_usb = 0;
    for (const std::string& call : counting.trace)
        if (call.find(" rename /usb2/") != std::string::npos) last_move_on_usb = std::atol(call.c_str());
    ASSERT_GT(last_move_on_usb, 0);

    fs::MemoryFileSystem disk;
    copy_disk(world, disk);
    InjectingFileSystem killed(disk, Mode::die, last_move_on_usb);
    restore_both(killed);
    std::map<std::string, fs::MemoryFileSystem::Node> drive;  // the drive, pulled out
    for (auto it = disk.nodes().begin(); it != disk.nodes().end();)
        it->first.rfind("/usb2", 0) == 0 ? (drive.insert(*it), it = disk.nodes().erase(it)) : ++it;

    backup::RecoveryReport told = backup::recover_interrupted(disk, {kBackup, on_two_drives});
    EXPECT_EQ(told.waiting, std::vector<std::string>{"/usb2/two"});
    EXPECT_TRUE(disk.exists(kBackup + "/恢复前/进行中.txt"));
    EXPECT_EQ(saves(disk), old_saves);  // the folder that can be reached is as it was

    disk.nodes().insert(drive.begin(), drive.end());
    told = backup::recover_interrupted(disk, {kBackup, on_two_drives});
    EXPECT_EQ(told.what, backup::RecoveryReport::restore_taken_back);
    EXPECT_EQ(snapshot(disk, "/usb2"), snapshot(world, "/usb2"));
    EXPECT_EQ(saves(disk), old_saves);
    EXPECT_EQ(temporaries(disk), std::vector<std::string>{});
    EXPECT_FALSE(disk.exists(kBackup + "/恢复前/进行中.txt"));
}

}  // namespace
}  // namespace zip_test
