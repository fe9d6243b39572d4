// Project names must work as one folder name under "存档目录".
#include <gtest/gtest.h>

#include "config/project_edit.h"
#include "config/project_name.h"

namespace {

TEST(FolderName, OrdinaryNamesPass) {
    for (const char* name : {"模擬市民3", "Half-Life 2", "a.b", ".hidden", "CONSOLE", "COM10", "CONIN", "东方 Project",
                             "仙剑奇侠传四", "東", "淺"})
        EXPECT_TRUE(is_valid_project_name(name)) << name;
}

TEST(FolderName, TrailBytesThatLookLikeSeparatorsAreNoSeparators) {
    // The second byte of 東 is "|" and that of 淺 is "\": both are whole characters here.
    EXPECT_EQ(std::string("東").back(), '|');
    EXPECT_EQ(std::string("淺").back(), '\\');
    EXPECT_FALSE(is_valid_project_name("東方|"));
    EXPECT_FALSE(is_valid_project_name("淺\\"));
}

TEST(FolderName, EmptyAndDotNamesAreRefused) {
    EXPECT_EQ(folder_name_problem(""), "名称不能为空");
    EXPECT_FALSE(is_valid_project_name("."));
    EXPECT_FALSE(is_valid_project_name(".."));
}

TEST(FolderName, ForbiddenAndControlCharactersAreRefused) {
    for (const char* name : {"a\\b", "a/b", "a:b", "a*", "a?", "\"a\"", "<a", "a>", "a|b", "a\tb", "a\nb", "\x01", "a\x7f"})
        EXPECT_FALSE(is_valid_project_name(name)) << name;
    EXPECT_NE(folder_name_problem("a:b").find("不能有"), std::string::npos);
}

TEST(FolderName, TrailingDotOrBlankIsRefused) {
    EXPECT_FALSE(is_valid_project_name("game."));
    EXPECT_FALSE(is_valid_project_name("game "));
    EXPECT_FALSE(is_valid_project_name("游戏。."));
    EXPECT_TRUE(is_valid_project_name("游戏。"));  // the full stop of GBK is no dot
}

TEST(FolderName, DeviceNamesAreRefusedWithAnyCaseAndExtension) {
    // Entry names of an archive follow the same rule: COM0, LPT0 and the console names included.
    for (const char* name : {"CON", "con", "Prn", "AUX", "nul", "COM1", "com9", "LPT1", "lpt9", "NUL.txt", "con.tar.gz",
                             "COM1 .zip", "aux ", "COM0", "lpt0.log", "CONIN$", "conout$.txt"})
        EXPECT_FALSE(is_valid_project_name(name)) << name;
    EXPECT_NE(folder_name_problem("nul.txt").find("设备名"), std::string::npos);
}

TEST(ProjectName, ALeadingBlankIsRefusedAsTheIniFileWouldDropIt) {
    EXPECT_EQ(project_name_problem(" game"), "名称不能以空格开头");
    EXPECT_EQ(project_name_problem("game"), "");
    EXPECT_EQ(project_name_problem("a:b"), folder_name_problem("a:b"));
}

}  // namespace
