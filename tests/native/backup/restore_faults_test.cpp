// Restores that lost data when the real program was driven: a safety copy without its first archive
// at the next start.
#include <gtest/gtest.h>

#include "backup/operations.h"
#include "backup/restore.h"
#include "fs/memory_file_system.h"
#include "paths/time_text.h"

namespace {

const std::string kTool = "/tool/存档目录", kBackup = kTool + "/game", kJournal = kBackup + "/恢复前/进行中.txt";

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

}  // namespace
