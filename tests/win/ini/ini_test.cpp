// The INI semantics every other part of the program relies on, on the real profile functions.
#include <gtest/gtest.h>

#include "config/ini.h"
#include "win/support/win_test.h"

namespace {

class Ini : public ::testing::Test {
   protected:
    wintest::TempDir dir{"ini"};
    std::string file = dir / "存档配置文件.ini";
};

TEST_F(Ini, GbkSectionsKeysAndValuesRoundTrip) {
    ASSERT_TRUE(write_ini_value(file, "模擬市民3", "存档路径", "<我的文档>\\淺東|D:\\存档"));
    ASSERT_TRUE(write_ini_value(file, "模擬市民3", "程序路径", "D:\\Games\\ts3.exe"));
    EXPECT_EQ(read_ini_value(file, "模擬市民3", "存档路径"), "<我的文档>\\淺東|D:\\存档");
    EXPECT_EQ(read_ini_value(file, "模擬市民3", "程序路径"), "D:\\Games\\ts3.exe");
    // The file itself is GBK text.
    EXPECT_NE(wintest::read_file(file).find("[模擬市民3]"), std::string::npos);
}

TEST_F(Ini, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(read_ini_value(dir / "none.ini", "a", "b", "默认"), "默认");
    write_ini_value(file, "项目", "操作时间", "2011年1月1日");
    EXPECT_EQ(read_ini_value(file, "别的", "操作时间", "x"), "x");
    EXPECT_EQ(read_ini_value(file, "项目", "程序路径", "y"), "y");
    EXPECT_EQ(read_ini_value(file, "项目", "程序路径"), "");
}

TEST_F(Ini, EmptyOrBlankNamesGiveEmptyTextNotTheDefault) {
    write_ini_value(file, "项目", "程序路径", "x");
    EXPECT_EQ(read_ini_value(file, "", "程序路径", "默认"), "");
    EXPECT_EQ(read_ini_value(file, "项目", " \t", "默认"), "");
    EXPECT_EQ(read_ini_value("  ", "项目", "程序路径", "默认"), "");
    // Leading blanks and control bytes are skipped before the lookup.
    EXPECT_EQ(read_ini_value(file, " \t项目", "\x01程序路径"), "x");
}

TEST_F(Ini, LongValuesAreCutTo10239Bytes) {
    std::string value(12000, 'a');
    ASSERT_TRUE(write_ini_value(file, "s", "k", value));
    EXPECT_EQ(read_ini_value(file, "s", "k"), std::string(10239, 'a'));
    std::string fits(10239, 'b');
    write_ini_value(file, "s", "k", fits);
    EXPECT_EQ(read_ini_value(file, "s", "k"), fits);
}

TEST_F(Ini, DeletesAKeyOrAWholeSection) {
    write_ini_value(file, "甲", "程序路径", "p");
    write_ini_value(file, "甲", "存档路径", "s");
    write_ini_value(file, "乙", "操作时间", "t");
    ASSERT_TRUE(write_ini_value(file, "甲", std::string("程序路径"), std::nullopt));
    EXPECT_EQ(read_ini_value(file, "甲", "程序路径", "gone"), "gone");
    EXPECT_EQ(read_ini_value(file, "甲", "存档路径"), "s");
    ASSERT_TRUE(delete_ini_section(file, "甲"));
    EXPECT_EQ(read_ini_value(file, "甲", "存档路径", "gone"), "gone");
    EXPECT_EQ(read_ini_section_names(file), std::vector<std::string>{"乙"});
}

TEST_F(Ini, SectionNamesComeInFileOrder) {
    EXPECT_TRUE(read_ini_section_names(dir / "none.ini").empty());
    for (const char* s : {"丙", "甲", "Zeta", "乙", "alpha"}) write_ini_value(file, s, "操作时间", "x");
    EXPECT_EQ(read_ini_section_names(file), (std::vector<std::string>{"丙", "甲", "Zeta", "乙", "alpha"}));
}

TEST_F(Ini, SectionNamesMatchWithoutRegardToCase) {
    write_ini_value(file, "Game", "程序路径", "a");
    write_ini_value(file, "GAME", "程序路径", "b");
    EXPECT_EQ(read_ini_section_names(file), std::vector<std::string>{"Game"});
    EXPECT_EQ(read_ini_value(file, "game", "程序路径"), "b");
}

TEST_F(Ini, WritingIntoAMissingFolderFails) {
    EXPECT_FALSE(write_ini_value(dir / "missing\\x.ini", "s", "k", "v"));
}

}  // namespace
