// A restore on real folders: its safety copy, all or nothing across the set, taken back after a
// forced end, and undone later.
#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "backup/restore.h"
#include "backup/restore_journal.h"
#include "backup/zip/names.h"
#include "paths/time_text.h"
#include "zip_support/faulty_file_system.h"
#include "zip_support/injecting_file_system.h"
#include "fs/memory_file_system.h"
#include "zip_support/tree.h"
#include "zip_support/extract_into.h"

namespace zip_test {
namespace {

// To the nanosecond: an undo gives back the exact time, not the archive's whole seconds.
std::string exact_time(const std::string& path) {
    struct stat st{};
    ::stat(path.c_str(), &st);
    return std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + "/" + std::to_string(st.st_mode);
}

// Every file and folder below a folder, with its contents, time and mode; absent folders are empty.
using Snapshot = std::map<std::string, std::string>;
Snapshot snapshot(const std::string& root) {
    Snapshot s;
    if (!stdfs::exists(root)) return s;
    for (auto it = stdfs::recursive_directory_iterator(root); it != stdfs::recursive_directory_iterator(); ++it) {
        std::string rel = stdfs::relative(it->path(), root).generic_string();
        s[rel] = it->is_directory() ? "/" : read_file(it->path().string()) + "@" + exact_time(it->path().string());
    }
    return s;
}

bool has_temporaries(const std::string& root) {
    if (!stdfs::exists(root)) return false;
    for (auto it = stdfs::recursive_directory_iterator(root); it != stdfs::recursive_directory_iterator(); ++it)
        if (fs::is_temporary_name(it->path().filename().string())) return true;
    return false;
}

class Restore : public ::testing::Test {
   protected:
    void SetUp() override {
        set_clock_for_tests([this] { return now; });
        backup = tmp / "backups/game";
        stdfs::create_directories(backup);
        saves = {tmp / "saves/one", tmp / "saves/two", tmp / "saves/three"};
    }
    void TearDown() override { set_clock_for_tests({}); }

    // The archive set "<name>.zip", "<name>.zip2" … from trees laid out under sources/k.
    std::string make_set(const std::string& name, const std::vector<Tree>& trees) {
        std::string first = backup + "/" + name + ".zip";
        for (size_t k = 1; k <= trees.size(); ++k) {
            std::string src = tmp / ("sources/" + name + std::to_string(k));
            stdfs::create_directories(src);
            for (const auto& [rel, data] : trees[k - 1])
                rel.back() == '/' ? (void)stdfs::create_directories(src + "/" + rel) : write_file(src + "/" + rel, data);
            EXPECT_TRUE(zip::compress_folder(src, backup::archive_name(first, static_cast<int>(k))).ok);
        }
        return first;
    }
    backup::RestoreSetResult restore(fs::FileSystem& f, const std::string& first, size_t folders = 3) {
        std::vector<std::string> paths(saves.begin(), saves.begin() + static_cast<long>(folders));
        return backup::restore_with_safety_copy(f, {first, paths, backup}, {});
    }
    std::vector<Snapshot> all() const { return {snapshot(saves[0]), snapshot(saves[1]), snapshot(saves[2])}; }
    bool clean() const {
        return !has_temporaries(tmp / "saves") && !stdfs::exists(backup + "/恢复前/进行中.txt");
    }

    TempDir tmp;
    std::string backup;
    std::vector<std::string> saves;
    DateTime now{2011, 10, 22, 9, 5, 7};
    fs::FileSystem& real = fs::platform_file_system();
};

TEST_F(Restore, KeepsACopyBeforeWritingAndItsUndoPutsTheSaveBack) {
    write_file(saves[0] + "/a.sav", "old a");
    write_file(saves[0] + "/sub/b.sav", "old b");
    write_file(saves[0] + "/keep.sav", "not in the archive");
    struct timespec times[2] = {{0, UTIME_OMIT}, {1300000000, 123456789}};
    ::utimensat(AT_FDCWD, (saves[0] + "/a.sav").c_str(), times, 0);
    ::chmod((saves[0] + "/sub/b.sav").c_str(), 0400);  // read-only comes back too
    const Snapshot before = snapshot(saves[0]);
    const Tree before_contents = read_tree(saves[0]);
    std::string first = make_set("2011年1月1日", {{{"a.sav", "new a"}, {"sub/b.sav", "new b"}, {"new.sav", "added"},
                                                  {"newdir/c.sav", "c"}},
                                                 {{"x.sav", "x"}}});
    backup::RestoreSetResult r = restore(real, first, 2);
    ASSERT_TRUE(r.changed) << r.failure;
    EXPECT_EQ(read_file(saves[0] + "/a.sav"), "new a");
    EXPECT_EQ(read_file(saves[0] + "/newdir/c.sav"), "c");
    EXPECT_EQ(read_file(saves[1] + "/x.sav"), "x");
    EXPECT_TRUE(clean());
    // The copy holds what the restore replaced, as it was (what it did not touch needs no copy);
    // the second folder did not exist, so it has none.
    EXPECT_EQ(r.safety_copy, backup + "/恢复前/" + format_time_text(now) + ".zip");
    ASSERT_TRUE(zip_test::extract_into(r.safety_copy, tmp / "copy").ok);
    Tree replaced = before_contents;
    replaced.erase("keep.sav");
    EXPECT_EQ(read_tree(tmp / "copy"), replaced);
    EXPECT_FALSE(stdfs::exists(r.safety_copy + "2"));

    // Later: the user changes a file the restore did not touch and adds one.
    write_file(saves[0] + "/keep.sav", "changed since");
    write_file(saves[0] + "/later.sav", "made since");
    ASSERT_TRUE(backup::has_restore_to_undo(real, backup));
    backup::RestoreSetResult u = backup::undo_last_restore(real, {backup, {saves[0], saves[1]}}, {});
    ASSERT_TRUE(u.changed) << u.failure << ::testing::PrintToString(u.recovery.refused) << u.recovery.damaged;
    Snapshot expected = before;
    expected["keep.sav"] = snapshot(saves[0])["keep.sav"];
    expected["later.sav"] = snapshot(saves[0])["later.sav"];
    EXPECT_EQ(snapshot(saves[0]), expected);
    EXPECT_FALSE(stdfs::exists(saves[1]));  // the restore made it; the undo takes it away
    EXPECT_FALSE(backup::has_restore_to_undo(real, backup));
    EXPECT_TRUE(clean());
}

TEST_F(Restore, AFileThatCannotBeReplacedLeavesEveryFolderAsItWas) {
    for (int k = 0; k < 3; ++k) write_file(saves[k] + "/save.dat", "old " + std::to_string(k));
    write_file(saves[2] + "/held.dat", "held open by the game");
    const std::vector<Snapshot> before = all();
    std::string first = make_set("2011年1月1日", {{{"save.dat", "new 0"}}, {{"save.dat", "new 1"}, {"more/m.dat", "m"}},
                                                 {{"save.dat", "new 2"}, {"held.dat", "new"}}});
    FaultyFileSystem faulty(real);
    faulty.locked_suffix = "three/held.dat";
    backup::RestoreSetResult r = restore(faulty, first);
    EXPECT_FALSE(r.changed);
    EXPECT_NE(r.failure.find("held.dat"), std::string::npos) << r.failure;
    EXPECT_EQ(all(), before);
    EXPECT_TRUE(clean());
    EXPECT_TRUE(r.safety_copy.empty());
    EXPECT_FALSE(backup::has_restore_to_undo(real, backup));
}

TEST_F(Restore, AFullDriveChangesNothing) {
    for (int k = 0; k < 3; ++k) write_file(saves[k] + "/save.dat", "old " + std::to_string(k));
    const std::vector<Snapshot> before = all();
    std::string first = make_set("2011年1月1日", {{{"save.dat", "new 0"}}, {{"save.dat", std::string(5000, 'n')}},
                                                 {{"save.dat", "new 2"}}});
    FaultyFileSystem faulty(real);
    faulty.full_prefix = saves[1];  // the second folder's drive
    backup::RestoreSetResult r = restore(faulty, first);
    EXPECT_FALSE(r.changed);
    EXPECT_EQ(r.failed_k, 2);
    EXPECT_EQ(all(), before);
    EXPECT_TRUE(clean());

    faulty.full_prefix = backup;  // no room for the journal or the safety copy: refused, nothing changed
    r = restore(faulty, first);
    EXPECT_FALSE(r.changed);
    EXPECT_NE(r.failure.find("恢复前"), std::string::npos) << r.failure;
    EXPECT_EQ(all(), before);
    EXPECT_TRUE(clean());

    // Room for the journal and the new file but not for the copy of the file it replaces, packed
    // after the swap: the swap is taken back, and nothing of it is left.
    write_file(saves[0] + "/big.dat", random_bytes(300000, 1));
    const std::vector<Snapshot> with_big = all();
    first = make_set("2011年1月2日", {{{"big.dat", "small now"}}});
    faulty.full_prefix.clear();
    faulty.room_per_file = 100000;
    r = restore(faulty, first, 1);
    EXPECT_NE(r.failure.find("无法保存原存档"), std::string::npos) << r.failure;
    EXPECT_TRUE(all() == with_big);  // (not printed: too long)
    EXPECT_TRUE(clean());
    EXPECT_FALSE(backup::has_restore_to_undo(real, backup));
}

TEST_F(Restore, WhatAWriteEndedByForceLeftIsSweptAtTheNextStart) {
    for (int k = 0; k < 3; ++k) {
        write_file(saves[k] + "/save.dat", "old " + std::to_string(k));
        write_file(saves[k] + "/other.dat", "other");
    }
    const std::vector<Snapshot> before = all();
    // Ended while the new files were being written: the journal names the folders, and what was
    // written there under our temporary names goes.
    backup::RestoreJournal writing;
    writing.folders = {{1, saves[0], "", {}, {}, {}}, {2, saves[1], "", {}, {}, {}}};
    stdfs::create_directories(backup + "/恢复前");
    ASSERT_TRUE(backup::write_journal(real, backup + "/恢复前/进行中.txt", writing));
    write_file(saves[0] + "/.vnk00112233aabb.tmp", "half a file");
    write_file(saves[1] + "/.vnk445566778899.tmp/deep/x.dat", "in a new folder");
    EXPECT_EQ(backup::recover_interrupted(real, {backup, saves}).what, backup::RecoveryReport::restore_taken_back);
    EXPECT_EQ(all(), before);
    EXPECT_TRUE(clean());
}

TEST_F(Restore, TheSixthRestoreKeepsTheFiveNewestCopies) {
    write_file(saves[0] + "/save.dat", "old");
    std::string first = make_set("2011年1月1日", {{{"save.dat", "new"}}});
    std::vector<std::string> copies;
    for (int i = 0; i < 6; ++i) {
        now.minute = i + 1;
        backup::RestoreSetResult r = restore(real, first, 1);
        ASSERT_TRUE(r.changed) << r.failure;
        copies.push_back(stdfs::path(r.safety_copy).filename().string());
    }
    std::set<std::string> kept;
    for (const auto& e : stdfs::directory_iterator(backup + "/恢复前"))
        if (e.path().extension() == ".zip") kept.insert(e.path().filename().string());
    EXPECT_EQ(kept, std::set<std::string>(copies.begin() + 1, copies.end()));
}

// Journals and records that were edited, cut or damaged: nothing outside the project's folders is
// touched, nothing unreadable is lost, a journal cut short is used for the steps it holds.
TEST_F(Restore, JournalsAndRecordsFromOthersAreCheckedBeforeAnythingActs) {
    write_file(saves[0] + "/save.dat", "old");
    write_file(tmp / "elsewhere/precious.dat", "not the game's");
    std::string first = make_set("2011年1月1日", {{{"save.dat", "new"}, {"added.dat", "a"}}});
    ASSERT_TRUE(restore(real, first, 1).changed);
    const std::string record_path = backup + "/恢复前/上次恢复.txt", journal_path = backup + "/恢复前/进行中.txt";
    const std::string record = read_file(record_path);
    const backup::ProjectFolders project{backup, {saves[0]}};
    // An undo record edited to reach elsewhere: refused, kept under another name, nothing deleted.
    for (const std::string& edit : {std::string("新建=1\t../../elsewhere/precious.dat"), "新建=1\t" + tmp / "elsewhere/precious.dat",
                                    "存档=1\t" + tmp / "elsewhere" + "\t", "清理=" + tmp / "elsewhere/precious.dat"}) {
        SCOPED_TRACE(edit);
        std::string text = record;
        text.insert(text.find("结束"), edit + "\r\n");
        write_file(record_path, text);
        backup::RestoreSetResult u = backup::undo_last_restore(real, project, {});
        EXPECT_FALSE(u.changed);
        EXPECT_FALSE(u.recovery.damaged.empty());
        EXPECT_EQ(read_file(tmp / "elsewhere/precious.dat"), "not the game's");
        EXPECT_EQ(read_file(saves[0] + "/save.dat"), "new");
        EXPECT_EQ(read_file(u.recovery.damaged), text);  // kept as it was
        stdfs::remove(u.recovery.damaged);
    }
    // A journal that cannot be read is never overwritten: it is kept and told once; the next restore goes on.
    write_file(journal_path, "Varnoke 恢复记录\r\n??\r\n");
    backup::RecoveryReport told = backup::recover_interrupted(real, project);
    EXPECT_EQ(read_file(told.damaged), "Varnoke 恢复记录\r\n??\r\n");
    EXPECT_FALSE(backup::recover_interrupted(real, project).any());
    // A journal cut short (the power went before it reached the disk) is used for the moves it holds.
    write_file(saves[0] + "/save.dat", "old");
    backup::RestoreJournal cut;
    cut.folders = {{1, saves[0], "", {}, {}, {}}};
    cut.moves = {{saves[0] + "/save.dat", saves[0] + "/.vnk0000000000aa.tmp", ""}};
    std::string text = backup::format_journal(cut);
    stdfs::rename(saves[0] + "/save.dat", saves[0] + "/.vnk0000000000aa.tmp");
    write_file(journal_path, text.substr(0, text.find("结束")));
    told = backup::recover_interrupted(real, project);
    EXPECT_EQ(told.what, backup::RecoveryReport::restore_taken_back);
    EXPECT_EQ(read_file(saves[0] + "/save.dat"), "old");
    EXPECT_FALSE(told.damaged.empty());  // what it did not hold is for a person to see
}

// Under Wine every file call is a round trip to its server, the floor of a restore of many small
// files: writing the new file, setting the old one aside and the new one in place, reading the old
// one into the safety copy and removing it; nothing per file that the folder's listing already
// told, and no copy of the files the restore does not touch.
TEST(RestoreCalls, AFileReplacedCostsAFixedFewCalls) {
    set_clock_for_tests([] { return DateTime{2011, 10, 22, 9, 5, 7}; });
    auto calls_for = [](int files) {
        fs::MemoryFileSystem disk;
        for (const char* dir : {"/save", "/save/sub", "/backup", "/src", "/src/sub"}) disk.add_dir(dir);
        for (int i = 0; i < files; ++i) {
            const std::string name = (i % 2 ? "/sub/f" : "/f") + std::to_string(i) + ".sav";
            disk.add_file("/save" + name, "older");  // another size: no need to read it to know
            disk.add_file("/src" + name, "new");
        }
        for (int i = 0; i < 100; ++i) disk.add_file("/save/untouched" + std::to_string(i) + ".sav", "keep");
        zip::Options options;
        options.fs = &disk;
        options.threads = 1;
        EXPECT_TRUE(zip::compress_folder("/src", "/set.zip", {}, options).ok);
        InjectingFileSystem counting(disk);
        backup::RestoreEvents events;
        events.threads = 1;
        EXPECT_TRUE(backup::restore_with_safety_copy(counting, {"/set.zip", {"/save"}, "/backup"}, events).changed);
        return counting.calls();
    };
    const long per_file = (calls_for(60) - calls_for(20)) / 40;
    set_clock_for_tests({});
    // Its entry read from the archive; create, write, close; two renames; open and read for the
    // copy; the old one removed.
    EXPECT_LE(per_file, 9);
}

TEST(RestoreJournalText, ReadsBackWhatItWroteWhateverTheNames) {
    TempDir tmp;
    fs::FileSystem& fs = fs::platform_file_system();
    backup::RestoreJournal r;
    r.kind = backup::RestoreJournal::undo;
    r.state = backup::RestoreJournal::committed;
    r.archive = "D:/备份/2011年1月1日.zip";
    r.moves = {{tmp / u8"s/빈파일.txt", tmp / "s/.vnk0123456789ab.tmp", ""}, {"/a%b\tc", "~x", "/a%b\tc"}};
    r.discard = {tmp / u8"s/🎮 boss.png"};
    r.cleanup = {"/plain"};
    r.empty_dirs = {"/d1", "/d1/d2"};
    r.folders = {{1, tmp / "s", tmp / "c.zip", {{u8"a/빈.txt", {132000000123456789, 33}}}, {"b.txt"}, {"/d1"}},
                 {3, "/t", "", {}, {}, {}}};
    ASSERT_TRUE(backup::write_journal(fs, tmp / "r.txt", r));
    backup::RestoreJournal back;
    ASSERT_EQ(backup::read_journal(fs, tmp / "r.txt", &back), backup::JournalRead::ok);
    EXPECT_EQ(backup::format_journal(back), backup::format_journal(r));
    EXPECT_EQ(back.moves[1].from, "/a%b\tc");
    EXPECT_EQ(back.folders[0].replaced, r.folders[0].replaced);
    // A journal cut short holds its complete lines and says it is not whole; garbage is damaged.
    std::string text = read_file(tmp / "r.txt");
    write_file(tmp / "cut.txt", text.substr(0, text.find("移动=") + 8));
    ASSERT_EQ(backup::read_journal(fs, tmp / "cut.txt", &back), backup::JournalRead::ok);
    EXPECT_FALSE(back.whole);
    EXPECT_EQ(back.folders.size(), 2u);
    EXPECT_TRUE(back.moves.empty());
    write_file(tmp / "bad.txt", text.substr(0, 30) + "\r\n???\r\n结束\r\n");
    EXPECT_EQ(backup::read_journal(fs, tmp / "bad.txt", &back), backup::JournalRead::damaged);
}

}  // namespace
}  // namespace zip_test
