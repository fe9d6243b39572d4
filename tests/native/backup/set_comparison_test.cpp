// Skip-unchanged and 比较 read the same set by one rule: a change for one is a change for the other.
#include <gtest/gtest.h>

#include "backup/history.h"
#include "backup/operations.h"
#include "fs/memory_file_system.h"
#include "paths/time_text.h"
#include "run/save_changes.h"

namespace {

constexpr int64_t kThen = 1600000000;
constexpr int64_t kBeyondTimestamp = int64_t{1} << 32;  // kept in DOS form only
const std::string kSave = "/games/x", kTool = "/games/x/Varnoke";  // the tool lies in the save folder

struct Case {
    const char* what;
    int64_t file_time;  // of Save.dat at backup time
    std::function<void(fs::MemoryFileSystem&)> change;
    bool unchanged;
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

class OneRule : public ::testing::TestWithParam<Case> {};

TEST_P(OneRule, SkipUnchangedAndCompareAgree) {
    set_clock_for_tests([] { return DateTime{2011, 10, 22, 9, 5, 7}; });
    fs::MemoryFileSystem disk;
    for (const std::string& dir : {std::string("/games"), kSave, kSave + "/sub", kTool, kTool + "/存档目录", kTool + "/配置目录"})
        disk.add_dir(dir);
    disk.add_file(kSave + "/Save.dat", "save", GetParam().file_time);
    disk.add_file(kSave + "/sub/b.dat", "b", kThen);
    const ProjectState project{"game", "", {kSave}, kTool + "/存档目录/game", {kTool + "/存档目录", kTool + "/配置目录"}};
    NoProgress view;
    ASSERT_FALSE(BackupRunner({disk, {}, 1}, view).backup(project).first_done.empty());
    GetParam().change(disk);

    EXPECT_EQ(saves_unchanged(disk, project), GetParam().unchanged);
    const HistoryRow row = history_rows(disk, project.backup_folder, 1).at(0);
    const FolderComparison c = compare_set(disk, row, project.save_paths, {project.excluded_folders}).at(0);
    EXPECT_EQ(c.replaced.empty() && c.added.empty() && c.only_on_disk.empty(), GetParam().unchanged)
        << comparison_text({c});
    set_clock_for_tests({});
}

auto touch(int64_t mtime) {
    return [=](fs::MemoryFileSystem& d) { d.add_file(kSave + "/Save.dat", "save", mtime); };
}

INSTANTIATE_TEST_SUITE_P(
    Changes, OneRule,
    ::testing::Values(
        Case{"nothing, the set itself in the tool's folder", kThen, [](fs::MemoryFileSystem&) {}, true},
        Case{"a case-only rename", kThen,
             [](fs::MemoryFileSystem& d) {
                 d.remove_file(kSave + "/Save.dat");
                 d.add_file(kSave + "/save.DAT", "save", kThen);
             },
             true},
        Case{"a second later, exact time", kThen, touch(kThen + 1), false},
        Case{"two seconds later, exact time", kThen, touch(kThen + 2), false},
        Case{"a second later, DOS time", kBeyondTimestamp, touch(kBeyondTimestamp + 1), true},
        Case{"two seconds later, DOS time", kBeyondTimestamp, touch(kBeyondTimestamp + 2), false},
        Case{"a file in the tool's folder", kThen,
             [](fs::MemoryFileSystem& d) { d.add_file(kTool + "/配置目录/varnoke.log", "log"); }, true},
        Case{"a file added", kThen, [](fs::MemoryFileSystem& d) { d.add_file(kSave + "/sub/c.dat", "c"); }, false}),
    [](const ::testing::TestParamInfo<Case>& info) { return "case" + std::to_string(info.index); });

}  // namespace
