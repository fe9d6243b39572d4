#include "paths/expand.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// A machine with known folders; it counts the lookups.
class FakeFolders : public Folders {
   public:
    std::map<std::string, std::string> env{{"APPDATA", "C:\\Users\\u\\AppData\\Roaming"}};
    std::map<int, std::string> shell{{5, "C:\\Users\\u\\Documents"}, {26, "C:\\Users\\u\\AppData\\Roaming"}};
    std::string windows = "C:\\windows", system = "C:\\windows\\system32", temp = "C:\\Temp\\";
    mutable int lookups = 0;

    std::string environment_variable(const std::string& name) const override {
        auto it = env.find(name);
        return it == env.end() ? "" : it->second;
    }
    std::string special_folder(int csidl) const override {
        ++lookups;
        auto it = shell.find(csidl);
        return it == shell.end() ? "" : it->second;
    }
    std::string windows_dir() const override { return ++lookups, windows; }
    std::string system_dir() const override { return ++lookups, system; }
    std::string temp_dir() const override { return ++lookups, temp; }
};

class Expand : public ::testing::Test {
   protected:
    FakeFolders folders;
    std::string expand(std::string text, const std::string& program = "") {
        std::string copy = expand_stored_path(text, program, folders);
        EXPECT_EQ(copy, text);  // in place and as a copy
        return copy;
    }
};

TEST_F(Expand, FirstVariableReferenceOnly) {
    EXPECT_EQ(expand("%APPDATA%\\Game"), "C:\\Users\\u\\AppData\\Roaming\\Game");
    EXPECT_EQ(expand("x%UNSET%\\Game"), "x\\Game");
    EXPECT_EQ(expand("%APPDATA%\\a|%APPDATA%\\b"), "C:\\Users\\u\\AppData\\Roaming\\a|%APPDATA%\\b");
    EXPECT_EQ(expand("D:\\a%b"), "D:\\a%b");      // a single percent sign
    EXPECT_EQ(expand("D:\\%%\\b"), "D:\\%%\\b");  // two adjacent ones
    EXPECT_EQ(expand("50%"), "50%");
    EXPECT_EQ(expand(""), "");
    folders.env["P"] = "%APPDATA%";
    EXPECT_EQ(expand("%P%\\x"), "%APPDATA%\\x");  // a value is not expanded again
}

TEST_F(Expand, VariableNamesAndValuesInGbk) {
    folders.env["游戏"] = "E:\\淺";
    EXPECT_EQ(expand("%游戏%\\存档"), "E:\\淺\\存档");
}

TEST_F(Expand, SpecialDirectoriesEndInOneBackslash) {
    EXPECT_EQ(expand("<我的文档>\\Saves"), "C:\\Users\\u\\Documents\\\\Saves");  // the stored "\" stays
    EXPECT_EQ(expand("<临时文件目录>x"), "C:\\Temp\\x");
    EXPECT_EQ(expand("<windows安装目录>|<WINDOWS系统目录>"), "C:\\windows\\|C:\\windows\\system32\\");
    EXPECT_EQ(expand("<我的收藏夹>Fav"), "Fav");  // a failed lookup removes the token
    EXPECT_EQ(expand("<我的文档><我的文档>"), "C:\\Users\\u\\Documents\\C:\\Users\\u\\Documents\\");
}

TEST_F(Expand, ElevenLookupsPerExpansion) {
    expand("plain");
    EXPECT_EQ(folders.lookups, 11);
    expand("<我的文档>");
    EXPECT_EQ(folders.lookups, 22);
}

TEST_F(Expand, FolderEndingInTrailByte5CGetsItsBackslash) {
    folders.shell[5] = "D:\\淺";
    EXPECT_EQ(expand("<我的文档>x"), "D:\\淺\\x");
    EXPECT_EQ(special_directory_path(1, folders), "D:\\淺\\");
}

TEST_F(Expand, ProgramDirectories) {
    EXPECT_EQ(expand("<程序所在目录>\\save", "D:\\Games\\Foo\\foo.exe"), "D:\\Games\\Foo\\save");
    EXPECT_EQ(expand("<程序上级目录>\\save", "D:\\Games\\Foo\\foo.exe"), "D:\\Games\\save");
    EXPECT_EQ(expand("<程序所在目录>|<程序上级目录>", "foo.exe"), "|");
    EXPECT_EQ(expand("<程序上级目录>", "D:\\foo.exe"), "");
    // 淺 ends in 0x5C: the program directory is cut at the real backslash only.
    EXPECT_EQ(expand("<程序所在目录>", "D:\\淺\\淺.exe"), "D:\\淺");
    EXPECT_EQ(expand("<程序上级目录>", "D:\\淺\\淺.exe"), "D:");
    // A program path with tokens is expanded before its folder is taken.
    EXPECT_EQ(expand("<程序所在目录>", "<我的文档>\\a\\b.exe"), "C:\\Users\\u\\Documents\\\\a");
    folders.env["GAMES"] = "E:\\游戏";
    EXPECT_EQ(expand("<程序所在目录>\\存档", "%GAMES%\\g\\g.exe"), "E:\\游戏\\g\\存档");
}

TEST_F(Expand, AProgramPathExpandsLikeASavePathButCannotReferToItself) {
    folders.env["GAMES"] = "E:\\游戏";
    EXPECT_EQ(expand_program_path("%GAMES%\\g.exe", folders), "E:\\游戏\\g.exe");
    EXPECT_EQ(expand_program_path("<程序数据目录>g\\g.exe", folders), "C:\\Users\\u\\AppData\\Roaming\\g\\g.exe");
    EXPECT_EQ(expand_program_path("<程序所在目录>\\g.exe", folders), "\\g.exe");
    EXPECT_EQ(expand_program_path("D:\\淺\\東.exe", folders), "D:\\淺\\東.exe");
}

TEST_F(Expand, TokensInsideVariableValuesAreReplaced) {
    folders.env["SAVES"] = "<我的文档>Saves|<程序所在目录>";
    EXPECT_EQ(expand("%SAVES%", "E:\\g\\g.exe"), "C:\\Users\\u\\Documents\\Saves|E:\\g");
}

TEST_F(Expand, GbkTextAroundTokensIsUntouched) {
    EXPECT_EQ(expand("東|<我的文档>淺\\東"), "東|C:\\Users\\u\\Documents\\淺\\東");
}

TEST(SpecialDirectoryPath, ItemsInTheOrderOfTheList) {
    FakeFolders f;
    f.shell = {{5, "a"}, {6, "b"}, {16, "c"}, {20, "d"}, {11, "e"}, {2, "f"}, {7, "g"}, {26, "h"}};
    f.windows = "i";
    f.system = "j";
    f.temp = "k\\";
    const char* expected[] = {"a\\", "b\\", "c\\", "d\\", "e\\", "f\\", "g\\", "h\\", "i\\", "j\\", "k\\"};
    for (int item = 1; item <= 11; ++item)
        EXPECT_EQ(special_directory_path(item, f), expected[item - 1]) << item;
    EXPECT_EQ(special_directory_path(0, f), "");
    EXPECT_EQ(special_directory_path(12, f), "");
    EXPECT_EQ(special_directory_path(-1, f), "");
    f.temp = "C:\\Temp\\\\";
    EXPECT_EQ(special_directory_path(11, f), "C:\\Temp\\");
    f.temp = "";
    EXPECT_EQ(special_directory_path(11, f), "");
}

}  // namespace
