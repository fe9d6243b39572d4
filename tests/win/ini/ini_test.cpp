// The INI semantics every other part of the program relies on, checked against the profile
// functions of the system: the same writes give the same bytes, the same reads the same text.
#include <gtest/gtest.h>

#include "fs/file_system.h"
#include "config/ini.h"
#include "config/machine_list.h"
#include "paths/files.h"
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

struct Write {
    const char* section;
    const char* key;    // nullptr: remove the section
    const char* value;  // nullptr: remove the key
};

struct SameAsProfile {
    const char* before;  // nullptr: no file yet
    std::vector<Write> writes;
};

const SameAsProfile kSequences[] = {
    {nullptr, {{"模擬市民3", "存档路径", "<我的文档>\\淺東|D:\\存档"}, {"模擬市民3", "程序路径", "D:\\ts3.exe"}}},
    {nullptr, {{"甲", "k", "1"}, {"乙", "k", "2"}, {"甲", "j", "3"}, {"乙", nullptr, nullptr}, {"甲", "k", nullptr}}},
    {"", {{"a", "k", "v"}}},
    {"\r\n", {{"a", "k", "v"}}},
    {"[a]\r\nk=v", {{"a", "k2", "v2"}}},
    {"[a]\r\nk=v", {{"b", "k", "v"}}},
    {";c\r\n\r\n[a]\r\n  k = v \r\n\r\n\r\n[b]\r\nx=1\r\n", {{"a", "k2", "v2"}}},
    {";c\r\n\r\n[a]\r\n  k = v \r\n\r\n\r\n[b]\r\nx=1\r\n", {{"a", "k", "v"}}},
    {";c\r\n\r\n[a]\r\n  k = v \r\n\r\n[b]\r\nx=1\r\n", {{"c", "k", "v"}}},
    {"[a]\nk=v\n[b]\nx=1\n", {{"b", "y", "2"}}},
    {"[a]\r\nk=v\r\n\r\n[b]\r\nx=1\r\n", {{"a", "z", " 1 "}}},
    {"x=1\r\n[a]\r\nk=v\r\n", {{"a", "k", "w"}}},
    {"[a]\r\nk=v\r\n[A]\r\nk=w\r\nk=x\r\n", {{"A", "K", "n"}}},
    {"[a]\r\nk=v\r\n", {{"a", "k", ""}}},
    {"[a]\r\nk\r\n", {{"a", "k", "1"}}},
    {"[a]\r\n;k=v\r\n", {{"a", ";k", "1"}}},
    {"[a]\r\n[a]\r\nk=1\r\n", {{"a", "j", "2"}, {"a", nullptr, nullptr}}},
    {"[a\r\nk=1\r\n[b]x\r\ny=2\r\n", {{"b", "z", "3"}}},
    {"[a]\r\nk=v\r\n\x1a", {{"a", "j", "2"}}},
    {"[Game]\r\nKey=1\r\n", {{" game", "KEY ", "2"}, {"GAME", "key", nullptr}}},
    {"[乚\r\nk=1\r\n", {{"乚", "k", "2"}}},
    // Trail bytes that are "]", "[" or "\\" inside names.
    {"[乚]\r\nk=1\r\n[乕盷]\r\nk=1\r\n", {{"乚", "k", "2"}, {"乕盷", "k", "3"}, {"乚盷", "k", "4"}}},
    {"[x]\r\n操作时间=2011年1月1日\r\n", {{"x", "操作时间", "2024年12月31日23时59分59秒"}, {"y", "保留份数", "3"}}},
};

TEST_F(Ini, WritesTheSameBytesAndReadsTheSameTextAsTheProfileFunctions) {
    const std::string theirs = dir / "profile.ini", ours = dir / "ours.ini";
    const char* reads[][2] = {{"a", "k"}, {"A", "K"}, {"a", "z"}, {"a", "j"}, {"b", "y"}, {"b", "z"}, {"a", ";k"},
                              {"Game", "Key"}, {"乚", "k"}, {"乕盷", "k"}, {"x", "操作时间"}, {"甲", "j"}};
    int n = 0;
    for (const SameAsProfile& c : kSequences) {
        const std::string label = "sequence " + std::to_string(n++);
        DeleteFileA(theirs.c_str());
        DeleteFileA(ours.c_str());
        if (c.before) wintest::write_file(theirs, c.before), wintest::write_file(ours, c.before);
        for (const Write& w : c.writes) {
            WritePrivateProfileStringA(w.section, w.key, w.key ? w.value : nullptr, theirs.c_str());
            WritePrivateProfileStringA(nullptr, nullptr, nullptr, theirs.c_str());  // to the disk now
            write_ini_value(ours, w.section, w.key ? std::optional<std::string>(w.key) : std::nullopt,
                            w.value ? std::optional<std::string>(w.value) : std::nullopt);
        }
        EXPECT_EQ(wintest::exists(ours), wintest::exists(theirs)) << label;
        EXPECT_EQ(wintest::read_file(ours), wintest::read_file(theirs)) << label;
        char buf[256];
        for (const auto& r : reads) {
            GetPrivateProfileStringA(r[0], r[1], "默认", buf, sizeof buf, theirs.c_str());
            EXPECT_EQ(read_ini_value(ours, r[0], r[1], "默认"), buf) << label << " " << r[0] << "/" << r[1];
        }
        GetPrivateProfileSectionNamesA(buf, sizeof buf, theirs.c_str());
        std::vector<std::string> names;
        for (const char* p = buf; *p; p += strlen(p) + 1) names.push_back(p);
        EXPECT_EQ(read_ini_section_names(ours), names) << label;
    }
}

// The profile functions stop at 260 characters; a tool folder deeper than that is used all the same.
TEST_F(Ini, AToolFolderDeeperThan260CharactersIsReadAndWritten) {
    fs::FileSystem& fs = fs::platform_file_system();
    std::string deep = dir.path();
    bool created = false;
    while (deep.size() < 300) ASSERT_TRUE(fs.make_dir(fs::path_of(deep += "\\很深的文件夹"), &created));
    ASSERT_TRUE(fs.make_dir(fs::path_of(deep + "\\配置目录"), &created));
    const ToolFolders tool{fs::path_of(deep)};
    const std::string list = generated_list_path(tool, "机器");
    ASSERT_TRUE(write_machine_list(fs, tool, "机器", list));
    EXPECT_EQ(read_machine_list(fs, tool, "机器"), list);
    ASSERT_TRUE(write_ini_value(fs, list, "游戏", "存档路径", "D:\\存档"));
    EXPECT_EQ(read_ini_section_names(fs, list), std::vector<std::string>{"游戏"});
}

}  // namespace
