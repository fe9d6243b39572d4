// Restores that lost data when the real program was driven: a safety copy without its first archive
// at the next start, a drive taken away while a restore stages its files, save folders that overlap.
#include <gtest/gtest.h>

#include "backup/operations.h"
#include "backup/outcome_text.h"
#include "backup/restore.h"
#include "fs/memory_file_system.h"
#include "paths/time_text.h"

namespace {

const std::string kTool = "/tool/存档目录", kBackup = kTool + "/game";

// A drive mounted as a save folder: it goes after `files_before_away` files were created on it.
class RemovableDrive : public fs::MemoryFileSystem {
   public:
    std::string root;
    int files_before_away = -1;
    bool away = false;
    bool gone(const std::string& p) const { return away && (p == root || p.rfind(root + "/", 0) == 0); }

    bool stat(const std::string& p, fs::DirEntry* i) override {
        return !gone(p) && MemoryFileSystem::stat(p, i);
    }
    bool list_dir(const std::string& p, std::vector<fs::DirEntry>* e) override {
        return !gone(p) && MemoryFileSystem::list_dir(p, e);
    }
    std::unique_ptr<fs::OutputFile> create_new(const std::string& p) override {
        if (p.rfind(root + "/", 0) == 0 && files_before_away-- == 0) away = true;
        return gone(p) ? nullptr : MemoryFileSystem::create_new(p);
    }
    bool remove_file(const std::string& p) override { return !gone(p) && MemoryFileSystem::remove_file(p); }
};

class RestoreFaults : public ::testing::Test {
   protected:
    void SetUp() override {
        set_clock_for_tests([] { return DateTime{2011, 10, 22, 9, 5, 7}; });
    }
    void TearDown() override { set_clock_for_tests({}); }
    // These folders and files, backed up as they are; then every file is played on.
    backup::Outcome backed_up(const std::vector<std::string>& dirs, const std::vector<std::string>& files) {
        for (const std::string& dir : dirs) disk.add_dir(dir);
        for (const std::string& file : files) disk.add_file(file, file);
        backup::NoProgress view;
        const backup::Outcome o = backup::BackupRunner({disk, {}, 1}, view).backup({"game", "", saves, kBackup, {}});
        for (const std::string& file : files) disk.add_file(file, "played on");
        return o;
    }
    // What the next start tells of the project.
    backup::RecoveryReport next_start() {
        const auto told = backup::recover_all_projects(disk, kTool, [&](const std::string&) { return saves; });
        return told.empty() ? backup::RecoveryReport{} : told[0].second;
    }
    std::string& data(const std::string& file) { return *disk.nodes().at(file).data; }

    RemovableDrive disk;
    std::vector<std::string> saves = {"/drive/one", "/drive/usb"};
    backup::RestoreEvents one_thread{{}, {}, 1};
};

TEST_F(RestoreFaults, TheCopyOfARestoreWhoseFirstFolderWasMissingOutlivesTheNextStart) {
    const std::string set = backed_up({"/drive", saves[0], saves[1], kTool}, {saves[1] + "/x"}).first_done;
    ASSERT_TRUE(disk.remove_dir(saves[0]));
    ASSERT_TRUE(backup::restore_with_safety_copy(disk, {set, saves, kBackup}, one_thread).changed);
    next_start();
    ASSERT_TRUE(backup::undo_last_restore(disk, {kBackup, saves}, one_thread).changed);
    EXPECT_EQ(data(saves[1] + "/x"), "played on");
}

// The drive goes while files are staged on it, a start passes while it is away, and once it is
// back nothing the restore wrote is left on it.
TEST_F(RestoreFaults, WhatAStagingWroteOnADriveTakenAwayGoesOnceItIsBack) {
    std::vector<std::string> files;
    for (int i = 0; i < 8; ++i) files.push_back(saves[1] + "/f" + std::to_string(i));
    const std::string set = backed_up({"/drive", saves[0], saves[1], "/tool", kTool}, files).first_done;
    disk.root = saves[1];
    disk.files_before_away = 5;
    const backup::RestoreSetResult r = backup::restore_with_safety_copy(disk, {set, saves, kBackup}, one_thread);
    EXPECT_FALSE(r.changed);
    EXPECT_EQ(r.recovery.waiting, std::vector<std::string>{saves[1]});
    EXPECT_EQ(next_start().waiting, std::vector<std::string>{saves[1]});
    disk.away = false;
    EXPECT_EQ(next_start().what, backup::RecoveryReport::restore_taken_back);
    for (const auto& [path, node] : disk.nodes())
        EXPECT_FALSE(fs::is_temporary_name(path.substr(path.rfind('/') + 1)));
    EXPECT_EQ(data(files[0]), "played on");
}

// One save folder inside another, or the same folder twice: the backup writes and says so, its set
// is restored and undone.
TEST_F(RestoreFaults, SetsOfSaveFoldersThatOverlapAreRestoredAndUndone) {
    for (const std::vector<std::string>& folders : std::vector<std::vector<std::string>>{
             {"/drive/s", "/drive/s/in"}, {"/drive/s/in", "/drive/s"}, {"/drive/s", "/drive/s"}}) {
        SCOPED_TRACE(folders[0] + " " + folders[1]);
        disk.nodes().clear();
        saves = folders;
        const backup::Outcome o =
            backed_up({"/drive", "/drive/s", "/drive/s/in", kTool}, {"/drive/s/a", "/drive/s/in/b"});
        EXPECT_EQ(backup::backup_notices(o).front().text.rfind("存档路径重叠", 0), 0u);
        const backup::RestoreSetResult r =
            backup::restore_with_safety_copy(disk, {o.first_done, folders, kBackup}, one_thread);
        ASSERT_TRUE(r.changed) << r.failure;
        EXPECT_EQ(data("/drive/s/a") + data("/drive/s/in/b"), "/drive/s/a/drive/s/in/b");
        ASSERT_TRUE(backup::undo_last_restore(disk, {kBackup, folders}, one_thread).changed);
        EXPECT_EQ(data("/drive/s/in/b"), "played on");
    }
}

}  // namespace
