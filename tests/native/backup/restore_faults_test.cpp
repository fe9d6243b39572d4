// Restores that lost data when the real program was driven: a safety copy without its first archive
// at the next start, a drive taken away while a restore stages its files, save folders that overlap.
#include <gtest/gtest.h>

#include "backup/operations.h"
#include "backup/outcome_text.h"
#include "backup/restore.h"
#include "fs/memory_file_system.h"
#include "paths/time_text.h"

namespace {

const std::string kTool = "/tool/存档目录", kBackup = kTool + "/game", kJournal = kBackup + "/恢复前/进行中.txt";

// A drive whose paths cannot be reached while it is away: it goes after `files_before_away` files
// were created on it.
class RemovableDrive : public fs::FileSystem {
   public:
    RemovableDrive(fs::FileSystem& disk, std::string root) : disk_(disk), root_(std::move(root)) {}
    bool away = false;
    int files_before_away = -1;

    uint8_t zip_host() const override { return disk_.zip_host(); }
    bool stat(const std::string& p, fs::DirEntry* i) override { return !gone(p) && disk_.stat(p, i); }
    bool list_dir(const std::string& p, std::vector<fs::DirEntry>* e) override { return !gone(p) && disk_.list_dir(p, e); }
    std::unique_ptr<fs::InputFile> open_read(const std::string& p) override { return gone(p) ? nullptr : disk_.open_read(p); }
    std::unique_ptr<fs::OutputFile> create_new(const std::string& p) override {
        if (on_drive(p) && files_before_away-- == 0) away = true;
        return gone(p) ? nullptr : disk_.create_new(p);
    }
    bool make_dir(const std::string& p, bool* c) override { return !gone(p) && disk_.make_dir(p, c); }
    bool replace(const std::string& f, const std::string& t) override { return !gone(f) && !gone(t) && disk_.replace(f, t); }
    bool remove_file(const std::string& p) override { return !gone(p) && disk_.remove_file(p); }
    bool remove_dir(const std::string& p) override { return !gone(p) && disk_.remove_dir(p); }
    bool get_state(const std::string& p, fs::FileState* s) override { return !gone(p) && disk_.get_state(p, s); }
    bool set_state(const std::string& p, const fs::FileState& s) override { return !gone(p) && disk_.set_state(p, s); }

   private:
    bool on_drive(const std::string& p) const { return p == root_ || p.rfind(root_ + "/", 0) == 0; }
    bool gone(const std::string& p) const { return away && on_drive(p); }
    fs::FileSystem& disk_;
    std::string root_;
};

class RestoreFaults : public ::testing::Test {
   protected:
    void SetUp() override {
        set_clock_for_tests([] { return DateTime{2011, 10, 22, 9, 5, 7}; });
        for (const char* dir : {"/drive", "/usb", "/usb/saves", "/src1", "/src2", "/tool", kTool.c_str()}) disk.add_dir(dir);
        disk.add_file("/src1/a.sav", "new a");
        for (int i = 0; i < 8; ++i) disk.add_file("/src2/f" + std::to_string(i), "new " + std::to_string(i));
        pack("/src1", "/set.zip");
        pack("/src2", "/set.zip2");
    }
    void TearDown() override { set_clock_for_tests({}); }
    void pack(const std::string& folder, const std::string& archive) {
        zip::Options options;
        options.fs = &disk;
        options.threads = 1;
        ASSERT_TRUE(zip::compress_folder(folder, archive, {}, options).ok);
    }
    RecoveryReport next_start(fs::FileSystem& fs) {
        RecoveryReport told;
        for (auto& [project, report] : recover_all_projects(fs, kTool, [&](const std::string&) { return saves; }))
            told = report;
        return told;
    }
    std::vector<std::string> temporaries() const {
        std::vector<std::string> found;
        for (const auto& [path, node] : disk.nodes())
            if (fs::is_temporary_name(path.substr(path.rfind('/') + 1))) found.push_back(path);
        return found;
    }
    std::string file(const std::string& path) const {
        const auto it = disk.nodes().find(path);
        return it == disk.nodes().end() ? "-" : *it->second.data;
    }

    fs::MemoryFileSystem disk;
    std::vector<std::string> saves = {"/drive/one", "/usb/saves/two"};
    RestoreEvents one_thread{{}, {}, 1};
};

TEST_F(RestoreFaults, TheCopyOfARestoreWhoseFirstFolderWasMissingOutlivesTheNextStart) {
    disk.add_dir("/usb/saves/two");
    disk.add_file("/usb/saves/two/f0", "old 0");
    ASSERT_TRUE(restore_with_safety_copy(disk, {"/set.zip", saves, kBackup}, one_thread).changed);
    next_start(disk);
    ASSERT_TRUE(undo_last_restore(disk, {kBackup, saves}, one_thread).changed);
    EXPECT_EQ(file("/usb/saves/two/f0"), "old 0");
    EXPECT_EQ(file("/drive/one/a.sav"), "-");
}

// The drive goes while the files are staged on it, a start passes while it is away, and once it
// is back nothing the restore wrote is left on it: a whole drive, or one mounted as the save folder.
TEST_F(RestoreFaults, WhatAStagingWroteOnADriveTakenAwayGoesOnceItIsBack) {
    disk.add_dir("/drive/one");
    disk.add_dir("/usb/saves/two");
    disk.add_file("/usb/saves/two/f0", "old 0");
    const auto before = disk.nodes();
    for (const auto& [root, written] : {std::pair{"/usb", 0}, {"/usb", 5}, {"/usb/saves/two", 0}, {"/usb/saves/two", 5}}) {
        SCOPED_TRACE(root + std::string(" after ") + std::to_string(written));
        disk.nodes() = before;
        RemovableDrive usb(disk, root);
        usb.files_before_away = written;
        const RestoreSetResult r = restore_with_safety_copy(usb, {"/set.zip", saves, kBackup}, one_thread);
        EXPECT_FALSE(r.changed);
        EXPECT_EQ(r.recovery.waiting, std::vector<std::string>{saves[1]});
        EXPECT_EQ(next_start(usb).waiting, std::vector<std::string>{saves[1]});
        usb.away = false;
        EXPECT_EQ(next_start(usb).what, RecoveryReport::restore_taken_back);
        EXPECT_EQ(temporaries(), std::vector<std::string>{});
        EXPECT_FALSE(disk.exists(kJournal));
        EXPECT_EQ(file("/usb/saves/two/f0"), "old 0");
    }
}

// One save folder inside another, or the same folder twice: the backup writes and says so, its set
// is restored and undone.
TEST_F(RestoreFaults, SetsOfSaveFoldersThatOverlapAreRestoredAndUndone) {
    for (const std::vector<std::string>& folders : std::vector<std::vector<std::string>>{
             {"/drive/s", "/drive/s/in"}, {"/drive/s/in", "/drive/s"}, {"/drive/s", "/drive/s"}}) {
        SCOPED_TRACE(folders[0] + " " + folders[1]);
        fs::MemoryFileSystem world;
        for (const char* dir : {"/drive", "/drive/s", "/drive/s/in", "/tool", kTool.c_str()}) world.add_dir(dir);
        world.add_file("/drive/s/a.sav", "a");
        world.add_file("/drive/s/in/b.sav", "b");
        NoProgress view;
        const Outcome o = BackupRunner({world, {}, 1}, view).backup({"game", "", folders, kBackup, {}});
        ASSERT_EQ(o.overlapping.size(), 2u);
        EXPECT_EQ(backup_notices(o).front().text.rfind("存档路径重叠", 0), 0u);
        for (const char* f : {"/drive/s/a.sav", "/drive/s/in/b.sav"}) world.add_file(f, "played on");
        const RestoreSetResult r = restore_with_safety_copy(world, {o.first_done, folders, kBackup}, one_thread);
        ASSERT_TRUE(r.changed) << r.failure;
        EXPECT_EQ(*world.nodes().at("/drive/s/a.sav").data + *world.nodes().at("/drive/s/in/b.sav").data, "ab");
        ASSERT_TRUE(undo_last_restore(world, {kBackup, folders}, one_thread).changed);
        EXPECT_EQ(*world.nodes().at("/drive/s/in/b.sav").data, "played on");
    }
}

}  // namespace
