// 淺 is 9C 5C and 東 is 96 7C in GBK: their trail bytes look like "\" and "|".
#include "paths/gbk_text.h"

#include <gtest/gtest.h>

namespace {

using Pieces = std::vector<std::string>;

TEST(GbkText, SourceLiteralsAreGbk) {
    EXPECT_EQ(std::string("淺"), "\x9C\x5C");
    EXPECT_EQ(std::string("東"), "\x96\x7C");
}

TEST(GbkText, FindSkipsTrailBytes) {
    EXPECT_EQ(gbk::find("淺", "\\"), -1);
    EXPECT_EQ(gbk::find("淺\\", "\\"), 3);
    EXPECT_EQ(gbk::find("a\\b\\c", "\\"), 2);
    EXPECT_EQ(gbk::find("abc", "x"), -1);
    EXPECT_EQ(gbk::find("abc", ""), -1);
    EXPECT_EQ(gbk::find("", "a"), -1);
    EXPECT_EQ(gbk::find("東東|", "|"), 5);
    // "\x5C\x96" spans the end of 淺 and the start of 東: no character starts at its first byte.
    EXPECT_EQ(gbk::find("淺東", "\\\x96"), -1);
    // Find is exact: no case folding.
    EXPECT_EQ(gbk::find("ABC", "b"), -1);
}

TEST(GbkText, FindNeverTakesHalfACharacter) {
    // A search text that ends in a lone lead byte must not match the first half of 淺.
    EXPECT_EQ(gbk::find("淺", "\x9C"), -1);
    EXPECT_EQ(gbk::find_last("a淺", "\x9C"), -1);
    EXPECT_EQ(gbk::replace_all("淺", "\x9C", "x"), "淺");
    EXPECT_EQ(gbk::find("a\x9C", "\x9C"), 2);  // a lone lead byte at the very end is a character
}

TEST(GbkText, FindLastSkipsTrailBytes) {
    EXPECT_EQ(gbk::find_last("C:\\游戏\\淺", "\\"), 8);
    EXPECT_EQ(gbk::find_last("淺淺", "\\"), -1);
    EXPECT_EQ(gbk::find_last("a\\b\\c", "\\"), 4);
    EXPECT_EQ(gbk::find_last("abab", "ab"), 3);
    EXPECT_EQ(gbk::find_last("abc", ""), -1);
}

TEST(GbkText, LeftAndRightClampTheirCount) {
    EXPECT_EQ(gbk::left("abc", 2), "ab");
    EXPECT_EQ(gbk::left("abc", 5), "abc");
    EXPECT_EQ(gbk::left("abc", 0), "");
    EXPECT_EQ(gbk::left("abc", -3), "");
    EXPECT_EQ(gbk::right("abc", 2), "bc");
    EXPECT_EQ(gbk::right("abc", 4), "abc");
    EXPECT_EQ(gbk::right("abc", 0), "");
    EXPECT_EQ(gbk::right("abc", -1), "");
}

TEST(GbkText, ReplaceAllFoldsAsciiOnly) {
    EXPECT_EQ(gbk::replace_all("<windows安装目录>x<WINDOWS安装目录>", "<Windows安装目录>", "W\\"), "W\\xW\\");
    EXPECT_EQ(gbk::replace_all("aaa", "aa", "a"), "aa");    // a replaced stretch is not scanned again
    EXPECT_EQ(gbk::replace_all("abc", "b", "bb"), "abbc");  // nor is the replacement
    EXPECT_EQ(gbk::replace_all("abc", "", "x"), "abc");
    EXPECT_EQ(gbk::replace_all("", "a", "x"), "");
    EXPECT_EQ(gbk::replace_all("淺\\淺", "\\", "/"), "淺/淺");
    EXPECT_EQ(gbk::replace_all("東|東", "|", ""), "東東");
    // The trail byte of 東 is "|" and the trail byte of "\x82\x41" is "A": neither folds nor matches.
    EXPECT_EQ(gbk::replace_all("\x82\x41", "a", "x"), "\x82\x41");
    EXPECT_EQ(gbk::replace_all("\x82\x61", "\x82\x41", "x"), "\x82\x61");
}

TEST(GbkText, SplitKeepsEmptyPiecesButNotATrailingOne) {
    EXPECT_EQ(gbk::split(""), Pieces{});
    EXPECT_EQ(gbk::split("a"), Pieces{"a"});
    EXPECT_EQ(gbk::split("a|b"), (Pieces{"a", "b"}));
    EXPECT_EQ(gbk::split("a||b"), (Pieces{"a", "", "b"}));
    EXPECT_EQ(gbk::split("|a"), (Pieces{"", "a"}));
    EXPECT_EQ(gbk::split("a|"), Pieces{"a"});
    EXPECT_EQ(gbk::split("|"), Pieces{""});
    EXPECT_EQ(gbk::split(" a | b "), (Pieces{" a ", " b "}));  // not trimmed
    EXPECT_EQ(gbk::split("東"), Pieces{"東"});
    EXPECT_EQ(gbk::split("C:\\東|D:\\淺"), (Pieces{"C:\\東", "D:\\淺"}));
}

TEST(GbkText, JoinSkipsEmptyPieces) {
    EXPECT_EQ(gbk::join_non_empty({"a", "", "b", ""}), "a|b");
    EXPECT_EQ(gbk::join_non_empty({"", ""}), "");
    EXPECT_EQ(gbk::join_non_empty({}), "");
    EXPECT_EQ(gbk::join_non_empty({"東"}), "東");
}

TEST(GbkText, BackslashCutsAreCharacterAware) {
    EXPECT_EQ(gbk::after_last_backslash("D:\\Games\\foo.exe"), "foo.exe");
    EXPECT_EQ(gbk::after_last_backslash("foo.exe"), "foo.exe");
    EXPECT_EQ(gbk::after_last_backslash("D:\\淺.exe"), "淺.exe");
    EXPECT_EQ(gbk::after_last_backslash("D:\\"), "");
    EXPECT_EQ(gbk::up_to_last_backslash("D:\\Games\\foo.exe"), "D:\\Games\\");
    EXPECT_EQ(gbk::up_to_last_backslash("D:\\淺\\淺.exe"), "D:\\淺\\");
    EXPECT_EQ(gbk::up_to_last_backslash("淺.exe"), "");
}

TEST(GbkText, CaseHelpersLeaveGbkAlone) {
    EXPECT_EQ(gbk::ascii_lower("ABC.EXE"), "abc.exe");
    EXPECT_EQ(gbk::ascii_lower("\x82\x41Z"), "\x82\x41z");  // the trail byte "A" stays
    EXPECT_EQ(gbk::remove_all("Game.EXE.exe", ".exe"), "Game");
    EXPECT_TRUE(gbk::starts_with_no_case("Varnoke游戏", "VARNOKE"));
    EXPECT_FALSE(gbk::starts_with_no_case("Var", "Varnoke"));
    EXPECT_TRUE(gbk::equals_no_case("a.LNK", "A.lnk"));
    EXPECT_FALSE(gbk::equals_no_case("a.lnk", "a.lnk "));
}

}  // namespace
