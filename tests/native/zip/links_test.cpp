// Links inside a save folder: followed once, never round a cycle, and whatever is left out is named.
#include <sys/stat.h>
#include <unistd.h>

#include "backup/zip/names.h"
#include "backup/zip/zip.h"
#include "zip_support/faulty_file_system.h"
#include "zip_support/tree.h"
#include "zip_support/extract_into.h"

namespace zip_test {
namespace {

bool has_line_for(const zip::Result& r, const std::string& name) {
    for (const std::string& line : r.skipped)
        if (line.rfind(name + "：", 0) == 0) return true;
    return false;
}

TEST(ZipLinks, FolderLinksAreFollowedOnceAndCyclesEnd) {
    TempDir tmp;
    write_file(tmp / "elsewhere/big/level.sav", "moved to another drive");
    write_file(tmp / "src/own.sav", "own");
    write_file(tmp / "src/copies/c.sav", "listed before a link to it");
    ASSERT_EQ(::symlink((tmp / "src/copies").c_str(), (tmp / "src/zz_alias").c_str()), 0);
    ASSERT_EQ(::symlink((tmp / "elsewhere/big").c_str(), (tmp / "src/big").c_str()), 0);
    ASSERT_EQ(::symlink((tmp / "elsewhere/big").c_str(), (tmp / "src/same_again").c_str()), 0);
    ASSERT_EQ(::symlink(".", (tmp / "src/big_loop").c_str()), 0);  // leads back to src itself
    ASSERT_EQ(::symlink((tmp / "nowhere").c_str(), (tmp / "src/dangling").c_str()), 0);
    ASSERT_EQ(::mkfifo((tmp / "src/pipe").c_str(), 0644), 0);

    zip::Result r = zip::compress_folder(tmp / "src", tmp / "a.zip");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_TRUE(zip_test::extract_into(tmp / "a.zip", tmp / "out").ok);
    Tree out = read_tree(tmp / "out");
    EXPECT_EQ(out, (Tree{{"big/", ""}, {"big/level.sav", "moved to another drive"}, {"copies/", ""},
                         {"copies/c.sav", "listed before a link to it"}, {"own.sav", "own"}}));
    EXPECT_EQ(r.skipped.size(), 5u);
    EXPECT_TRUE(has_line_for(r, "zz_alias\\"));
    EXPECT_TRUE(has_line_for(r, "same_again\\"));
    EXPECT_TRUE(has_line_for(r, "big_loop\\"));
    EXPECT_TRUE(has_line_for(r, "dangling"));
    EXPECT_TRUE(has_line_for(r, "pipe"));
}

// The tool's own folders (its backups, its configuration) never go into a backup, however the save
// folder reaches them; other links still do.
TEST(ZipLinks, FoldersOfTheToolAreLeftOutHoweverTheyAreReached) {
    TempDir tmp;
    const std::string tool = tmp / "tool", backups = tool + "/backups", config = tool + "/config";
    write_file(backups + "/game/old.zip", "an earlier backup");
    write_file(config + "/list.ini", "[game]");
    write_file(tool + "/tool.exe", "the tool");
    write_file(tmp / "elsewhere/level.sav", "moved to another drive");
    // The tool folder itself backed up: it holds both as plain folders, and a save folder with links.
    const std::string save = tool + "/save";
    write_file(save + "/own.sav", "own");
    stdfs::create_directories(tool + "/Backups/game");  // the same name in another case is another folder here
    ASSERT_EQ(::symlink(backups.c_str(), (save + "/to_backups").c_str()), 0);
    ASSERT_EQ(::symlink((backups + "/game").c_str(), (save + "/into_backups").c_str()), 0);
    ASSERT_EQ(::symlink(tool.c_str(), (save + "/whole_tool").c_str()), 0);
    ASSERT_EQ(::symlink((tmp / "elsewhere").c_str(), (save + "/moved").c_str()), 0);
    ASSERT_EQ(::symlink(backups.c_str(), (tool + "/backups_again").c_str()), 0);

    zip::Options options;
    options.excluded_folders = {backups, config};
    zip::Result r = zip::compress_folder(tool, tmp / "a.zip", {}, options);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_TRUE(zip_test::extract_into(tmp / "a.zip", tmp / "out").ok);
    EXPECT_EQ(read_tree(tmp / "out"),
              (Tree{{"save/", ""}, {"save/own.sav", "own"}, {"Backups/", ""}, {"Backups/game/", ""},
                    {"save/moved/", ""}, {"save/moved/level.sav", "moved to another drive"}, {"tool.exe", "the tool"}}));
    for (const char* left_out : {"backups\\", "config\\", "backups_again\\", "save\\to_backups\\",
                                 "save\\into_backups\\"})
        EXPECT_TRUE(has_line_for(r, left_out)) << left_out;
    EXPECT_TRUE(has_line_for(r, "save\\whole_tool\\")) << "a link back to the root itself";
}

// Without links in the tree, leaving folders out costs no call to the system per folder.
TEST(ZipLinks, ExcludedFoldersCostNothingPerFolderWithoutLinks) {
    TempDir tmp;
    for (int i = 0; i < 50; ++i) write_file(tmp / "src/d" + std::to_string(i) + "/s.sav", "x");
    write_file(tmp / "backups/old.zip", "old");
    FaultyFileSystem counting(fs::platform_file_system());
    zip::Options options;
    options.fs = &counting;
    options.excluded_folders = {tmp / "backups", tmp / "config_that_is_missing"};
    ASSERT_TRUE(zip::compress_folder(tmp / "src", tmp / "a.zip", {}, options).ok);
    EXPECT_LE(counting.folder_ids + counting.real_paths, 5) << counting.folder_ids << " ids, " << counting.real_paths
                                                            << " real paths";
}

TEST(ZipLinks, TemporariesOfTheEngineAreNeverPacked) {
    TempDir tmp;
    const std::string temp_name = fs::sibling_temp_path(tmp / "src/x");
    write_file(temp_name, "half a restore");
    write_file(tmp / "src/sub/" + temp_name.substr(temp_name.rfind('/') + 1) + "/inside.sav", "a staged folder");
    write_file(tmp / "src/.vnk.tmp", "not ours");
    ASSERT_TRUE(zip::compress_folder(tmp / "src", tmp / "a.zip").ok);
    ASSERT_TRUE(zip_test::extract_into(tmp / "a.zip", tmp / "out").ok);
    EXPECT_EQ(read_tree(tmp / "out"), (Tree{{".vnk.tmp", "not ours"}, {"sub/", ""}}));
}

TEST(ZipLinks, OnlyTheEnginesOwnTemporaryNamesAreLeftovers) {
    const std::string made = fs::sibling_temp_path("/backups/x.zip");
    EXPECT_TRUE(fs::is_temporary_name(made.substr(made.rfind('/') + 1)));
    for (const char* other : {"x.tmp", ".vnk.tmp", ".vnk0123456789ab.zip", ".vnk0123456789AB.tmp", "a.vnk0123456789ab.tmp",
                              ".vnk0123456789abc.tmp"})
        EXPECT_FALSE(fs::is_temporary_name(other)) << other;
}

}  // namespace
}  // namespace zip_test
