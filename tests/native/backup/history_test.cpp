// The backup history: which rows a backup folder gives, their cells and order, and what restoring
// a set would do to the save folders, by the rule skip-unchanged uses too.
#include "backup/history.h"

#include <gtest/gtest.h>

#include "backup/operations.h"
#include "backup/zip/zip.h"
#include "fs/memory_file_system.h"
#include "paths/time_text.h"
#include "run/save_changes.h"

namespace {

const std::string kFolder = "D:\\工具\\存档目录\\游戏";
const std::string kSafety = kFolder + "\\恢复前";

struct Expected {
    const char* stem;
    const char* kind;
    const char* size;
    const char* folders;
    const char* note;
    bool safety;
};

TEST(HistoryRows, SetsAndSafetyCopiesNewestFirstStraysNever) {
    fs::MemoryFileSystem disk;
    disk.add_dir(kFolder);
    disk.add_dir(kSafety);
    auto put = [&](const std::string& path, size_t bytes) { disk.add_file(path, std::string(bytes, 'z')); };
    for (const char* stray : {"Desktop.ini", "image.ico", "笔记.txt", "2011年10月1日.zip.bak", "2011-10-01.zip",
                              "2011年10月1日.zip02", "2011年10月1日.zip1", "2011年13月1日.zip", "2011年10月1日.ZIP",
                              "2011年10月5日9时", ".vnk0123456789ab.tmp"})
        put(kFolder + "\\" + stray, 10);
    disk.add_dir(kFolder + "\\2011年10月6日.zip");  // a folder named like a set
    put(kFolder + "\\2011年9月1日.zip3", 10);       // companions without their first archive
    put(kFolder + "\\2011年10月1日.zip", 1000);
    put(kFolder + "\\2011年10月1日.zip3", 1100);
    put(kFolder + "\\2011年10月1日.zip2", 100);
    put(kFolder + "\\2011年10月22日9时5分.zip", 3 * 1024 * 1024);
    put(kFolder + "\\2011年10月22日9时5分.zip10", 512 * 1024);
    put(kFolder + "\\2011年10月3日9时5分7秒.zip", 1);
    put(kSafety + "\\2011年10月2日.zip", 2048);
    put(kSafety + "\\2011年10月2日.zip2", 2048);
    put(kSafety + "\\上次恢复.txt", 5);
    disk.add_file(kFolder + "\\备份信息.ini",
                  "[2011年10月1日.zip]\r\n类型=退出后\r\n备注=打最终头目之前\r\n保留=1\r\n"
                  "[2011年10月3日9时5分7秒.zip]\r\n类型=命令行\r\n[2011年10月2日.zip]\r\n备注=不属于恢复前\r\n");
    disk.add_file(kSafety + "\\备份信息.ini", "[2011年10月2日.zip]\r\n备注=恢复前的\r\n");

    const Expected expected[] = {
        {"2011年10月22日9时5分", "手动", "3.5 MB", "2/3", "", false},
        {"2011年10月3日9时5分7秒", "命令行", "1 KB", "1/3", "", false},
        {"2011年10月2日", "恢复前", "4 KB", "2/3", "恢复前的", true},
        {"2011年10月1日", "退出后", "3 KB", "3/3", "★打最终头目之前", false},
    };
    const std::vector<backup::HistoryRow> rows = backup::history_rows(disk, kFolder, 3);
    ASSERT_EQ(rows.size(), std::size(expected));
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(expected[i].stem);
        EXPECT_EQ(rows[i].set.stem, expected[i].stem);
        EXPECT_EQ(rows[i].info.kind, expected[i].kind);
        EXPECT_EQ(backup::size_text(rows[i].size), expected[i].size);
        EXPECT_EQ(backup::folders_text(rows[i]), expected[i].folders);
        EXPECT_EQ(backup::note_text(rows[i]), expected[i].note);
        EXPECT_EQ(rows[i].safety_copy, expected[i].safety);
        EXPECT_EQ(rows[i].set.names.front(), backup::set_file_name(rows[i].set.stem));
    }
    EXPECT_EQ(rows[3].set.names, (std::vector<std::string>{"2011年10月1日.zip", "2011年10月1日.zip2", "2011年10月1日.zip3"}));
    EXPECT_EQ(rows[0].set.paths().back(), kFolder + "/2011年10月22日9时5分.zip10");
    EXPECT_EQ(rows[2].set.first_archive(), kFolder + "/恢复前/2011年10月2日.zip");

    // No 备份信息.ini and no 恢复前: every set reads 手动 without a note.
    disk.nodes().erase(fs::MemoryFileSystem::key(kFolder + "\\备份信息.ini"));
    for (const backup::HistoryRow& row : backup::history_rows(disk, kFolder, 3))
        if (!row.safety_copy) EXPECT_EQ(row.info.kind + backup::note_text(row), "手动");
    EXPECT_TRUE(backup::history_rows(disk, kFolder + "\\没有", 1).empty());
}

// A thousand sets, each with its section: every row carries its own note.
TEST(HistoryRows, AThousandSetsEachWithItsNote) {
    fs::MemoryFileSystem disk;
    disk.add_dir(kFolder);
    std::string ini;
    for (int i = 0; i < 1000; ++i) {
        const std::string name = "2011年" + std::to_string(1 + i % 12) + "月" + std::to_string(1 + i / 12 % 28) + "日" +
                                 std::to_string(1 + i / 336) + "时.zip";
        disk.add_file(kFolder + "\\" + name, "z");
        ini += "[" + name + "]\r\n备注=" + std::to_string(i) + "\r\n";
    }
    disk.add_file(kFolder + "\\备份信息.ini", ini);
    const std::vector<backup::HistoryRow> rows = backup::history_rows(disk, kFolder, 1);
    ASSERT_EQ(rows.size(), 1000u);
    for (const backup::HistoryRow& row : rows) {
        const int i = std::stoi(row.info.note);
        EXPECT_EQ(row.set.key().rfind("2011年" + std::to_string(1 + i % 12) + "月", 0), 0u);
    }
}

TEST(HistoryRows, SortByEveryColumnBothWays) {
    auto row = [](const char* stem, int64_t seconds, const char* kind, uint64_t size, int present, const char* note,
                  bool kept) {
        backup::HistoryRow r;
        r.set.stem = stem;
        r.set.seconds = seconds;
        r.size = size;
        r.set.names.resize(static_cast<size_t>(present));
        r.info.kind = kind;
        r.info.note = note;
        r.info.kept = kept;
        return r;
    };
    const std::vector<backup::HistoryRow> all = {row("a", 1, "手动", 30, 1, "乙", false), row("b", 2, "命令行", 10, 2, "", true),
                                         row("c", 3, "手动", 20, 2, "甲", false)};
    struct Case {
        backup::HistoryColumn by;
        bool ascending;
        const char* order;
    } cases[] = {
        {backup::HistoryColumn::time, false, "cba"},    {backup::HistoryColumn::time, true, "abc"},
        {backup::HistoryColumn::size, true, "bca"},     {backup::HistoryColumn::size, false, "acb"},
        {backup::HistoryColumn::folders, true, "acb"},  {backup::HistoryColumn::folders, false, "cba"},
        // GBK order: 甲 before 乙, 命令行 before 手动; kept sets first.
        {backup::HistoryColumn::note, true, "bca"},     {backup::HistoryColumn::kind, true, "bca"},
    };
    for (const Case& c : cases) {
        std::vector<backup::HistoryRow> rows = all;
        backup::sort_rows(rows, c.by, c.ascending);
        std::string order;
        for (const backup::HistoryRow& r : rows) order += r.set.stem;
        EXPECT_EQ(order, c.order) << static_cast<int>(c.by) << " " << c.ascending;
    }
}

TEST(HistoryRows, NotesAreOneLineOfAtMostAHundredCharacters) {
    const std::string hundred_wide = [] {
        std::string s;
        for (int i = 0; i < 100; ++i) s += "存";
        return s;
    }();
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"第一行\r\n第二行", "第一行  第二行"},
        {hundred_wide + "多", hundred_wide},
        {std::string(99, 'a') + "档案", std::string(99, 'a') + "档"},
        {std::string(120, 'x'), std::string(100, 'x')},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(backup::clip_note(in), out) << in;
}

TEST(HistoryRows, SizesInKilobytesOrMegabytes) {
    const std::pair<uint64_t, const char*> cases[] = {
        {0, "0 KB"}, {1, "1 KB"}, {1024, "1 KB"}, {1025, "2 KB"}, {1024 * 1024 - 1, "1024 KB"},
        {1024 * 1024, "1.0 MB"}, {5 * 1024 * 1024 + 300 * 1024, "5.3 MB"}};
    for (const auto& [bytes, text] : cases) EXPECT_EQ(backup::size_text(bytes), text) << bytes;
}

// A set of two archives made from the files as they were at backup time, and the save folders as
// they are now.
class Comparison : public ::testing::Test {
   protected:
    static constexpr int64_t kThen = 1600000000;
    fs::MemoryFileSystem disk;
    backup::HistoryRow row;
    const std::vector<std::string> saves = {"/saves/one", "/saves/two", "/saves/three"};

    void SetUp() override {
        for (const char* dir : {"/src", "/src/one", "/src/one/sub", "/src/two", "/saves", "/saves/one",
                                "/saves/one/sub", "/saves/two", "/backup"})
            disk.add_dir(dir);
        for (const char* f : {"same.sav", "older.sav", "newer.sav", "resized.sav", "added.sav", "sub/Deep.sav"})
            disk.add_file(std::string("/src/one/") + f, "then " + std::string(f), kThen);
        disk.add_file("/src/two/x.sav", "x", kThen);
        zip::Options options;
        options.fs = &disk;
        options.threads = 1;
        ASSERT_TRUE(zip::compress_folder("/src/one", "/backup/2011年10月1日.zip", {}, options).ok);
        ASSERT_TRUE(zip::compress_folder("/src/two", "/backup/2011年10月1日.zip2", {}, options).ok);

        disk.add_file("/saves/one/same.sav", "then same.sav", kThen);         // the same second: our archives keep it exactly
        disk.add_file("/saves/one/older.sav", "older on disk", kThen - 100);  // replaced, older on disk
        disk.add_file("/saves/one/newer.sav", "played on", kThen + 3600);     // replaced, newer on disk
        disk.add_file("/saves/one/resized.sav", "then resized.sav plus", kThen);
        disk.add_file("/saves/one/sub/deep.sav", "then sub/Deep.sav", kThen);  // case differs: the same file
        disk.add_file("/saves/one/mine.txt", "mine", kThen);                   // only on disk
        disk.add_file("/saves/two/x.sav", "x", kThen);
        disk.add_file("/saves/two/y.sav", "y", kThen + 3600);  // newer, but not in the archive: stays
        row = backup::history_rows(disk, "/backup", 3).at(0);
    }
};

TEST_F(Comparison, EachKindOfFile) {
    const std::vector<backup::FolderComparison> c = backup::compare_set(disk, row, saves);
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0].replaced, (std::vector<std::string>{"newer.sav", "older.sav", "resized.sav"}));
    EXPECT_EQ(c[0].newer_on_disk, (std::vector<std::string>{"newer.sav"}));
    EXPECT_EQ(c[0].added, (std::vector<std::string>{"added.sav"}));
    EXPECT_EQ(c[0].identical, (std::vector<std::string>{"same.sav", "sub\\deep.sav"}));
    EXPECT_EQ(c[0].only_on_disk, (std::vector<std::string>{"mine.txt"}));
    EXPECT_EQ(c[1].identical, (std::vector<std::string>{"x.sav"}));
    EXPECT_EQ(c[1].only_on_disk, (std::vector<std::string>{"y.sav"}));
    EXPECT_TRUE(c[1].replaced.empty() && c[1].added.empty());
    EXPECT_TRUE(c[2].archive_missing);

    const std::string text = backup::comparison_text(c, "标题");
    EXPECT_EQ(text.rfind("当前存档比这个备份新：1 个文件", 0), 0u) << text;
    EXPECT_NE(text.find("。\r\n\r\n标题\r\n存档文件夹 1："), std::string::npos) << text;
    for (const char* piece : {"newer.sav（磁盘上的更新）", "将被替换：3 个", "将新增：1 个", "与备份相同：2 个",
                             "只在磁盘上（保留不动）：1 个", "mine.txt"})
        EXPECT_NE(text.find(piece), std::string::npos) << piece << "\n" << text;
    EXPECT_NE(text.find("存档文件夹 3：" + fs::shown("/saves/three")), std::string::npos) << text;
}

TEST_F(Comparison, NothingNewerOnDiskSaysNothingOfIt) {
    disk.add_file("/saves/one/newer.sav", "then newer.sav", kThen);
    const std::string text = backup::comparison_text(backup::compare_set(disk, row, saves), "标题");
    EXPECT_EQ(text.find("当前存档比这个备份新"), std::string::npos) << text;
    EXPECT_EQ(text.rfind("标题\r\n存档文件夹 1：", 0), 0u) << text;
}

TEST_F(Comparison, MissingSaveFolderAddsEverythingAndABrokenArchiveIsNamed) {
    disk.add_file("/backup/2011年10月1日.zip2", "no zip at all");
    const std::vector<backup::FolderComparison> c = backup::compare_set(disk, row, {"/gone", "/saves/two"});
    EXPECT_EQ(c[0].added.size(), 6u);
    EXPECT_TRUE(c[0].replaced.empty() && c[0].only_on_disk.empty());
    EXPECT_FALSE(c[1].unreadable.empty());
    EXPECT_NE(backup::comparison_text(c).find("2011年10月1日.zip2 不是完好的 ZIP 文件"), std::string::npos);
}

// Skip-unchanged and 比较 read the same set by one rule: a change for one is a change for the other.
constexpr int64_t kWhen = 1600000000, kDosOnly = int64_t{1} << 32;  // beyond the timestamp field
const std::string kSave = "/games/x", kTool = "/games/x/Varnoke";     // the tool lies in the save folder

TEST(OneRule, SkipUnchangedAndCompareAgree) {
    set_clock_for_tests([] { return DateTime{2011, 10, 22, 9, 5, 7}; });
    // Save.dat's time at backup time, its time and name now, and whether that is no change.
    for (const auto& [then, now, name, unchanged] : std::vector<std::tuple<int64_t, int64_t, std::string, bool>>{
             {kWhen, kWhen, "Save.dat", true},            // nothing; the set itself lies in the tool's folder
             {kWhen, kWhen, "save.DAT", true},            // a case-only rename
             {kWhen, kWhen + 1, "Save.dat", false},       // a second later, exact time
             {kWhen, kWhen + 2, "Save.dat", false},       // two seconds later, exact time
             {kDosOnly, kDosOnly + 1, "Save.dat", true},  // a second later, DOS time
             {kDosOnly, kDosOnly + 2, "Save.dat", false}}) {
        SCOPED_TRACE(name + " " + std::to_string(now - then));
        fs::MemoryFileSystem disk;
        for (const std::string& dir : {std::string("/games"), kSave, kTool, kTool + "/存档目录", kTool + "/配置目录"})
            disk.add_dir(dir);
        disk.add_file(kSave + "/Save.dat", "save", then);
        const backup::ProjectState project{"game", "", {kSave}, kTool + "/存档目录/game", {kTool + "/存档目录", kTool + "/配置目录"}};
        backup::NoProgress view;
        ASSERT_FALSE(backup::BackupRunner({disk, {}, 1}, view).backup(project).first_done.empty());
        disk.remove_file(kSave + "/Save.dat");
        disk.add_file(kSave + "/" + name, "save", now);
        disk.add_file(kTool + "/配置目录/varnoke.log", "what the tool writes meanwhile");

        EXPECT_EQ(saves_unchanged(disk, project), unchanged);
        const backup::HistoryRow row = backup::history_rows(disk, project.backup_folder, 1).at(0);
        const backup::FolderComparison f = backup::compare_set(disk, row, project.save_paths, {project.excluded_folders}).at(0);
        EXPECT_EQ(f.replaced.empty() && f.added.empty() && f.only_on_disk.empty(), unchanged);
    }
    set_clock_for_tests({});
}

}  // namespace
