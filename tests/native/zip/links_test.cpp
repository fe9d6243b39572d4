// Links inside a save folder: followed once, never round a cycle, and whatever is left out is named.
#include <sys/stat.h>
#include <unistd.h>

#include "backup/zip/names.h"
#include "backup/zip/zip.h"
#include "zip_support/tree.h"

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
    ASSERT_TRUE(zip::extract_archive(tmp / "a.zip", tmp / "out").ok);
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

TEST(ZipLinks, OnlyTheEnginesOwnTemporaryNamesAreLeftovers) {
    const std::string made = zip::sibling_temp_path("/backups/x.zip");
    EXPECT_TRUE(zip::is_temporary_name(made.substr(made.rfind('/') + 1)));
    for (const char* other : {"x.tmp", ".vnk.tmp", ".vnk0123456789ab.zip", ".vnk0123456789AB.tmp", "a.vnk0123456789ab.tmp",
                              ".vnk0123456789abc.tmp"})
        EXPECT_FALSE(zip::is_temporary_name(other)) << other;
}

}  // namespace
}  // namespace zip_test
