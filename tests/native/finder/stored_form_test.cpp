// A found folder is stored with a token wherever one applies, and always expands back to itself.
#include "finder/stored_form.h"

#include <gtest/gtest.h>

#include <map>

#include "paths/gbk_text.h"

namespace {

class FakeFolders : public Folders {
   public:
    std::map<std::string, std::string> env{{"USERPROFILE", "C:\\Users\\u"}, {"ProgramData", "C:\\ProgramData"},
                                           {"PUBLIC", "C:\\Users\\Public"}};
    std::map<int, std::string> shell{{5, "C:\\Users\\u\\Documents\\"}, {26, "C:\\Users\\u\\AppData\\Roaming"}};

    std::string environment_variable(const std::string& name) const override {
        auto it = env.find(name);
        return it == env.end() ? "" : it->second;
    }
    std::string special_folder(int csidl) const override {
        auto it = shell.find(csidl);
        return it == shell.end() ? "" : it->second;
    }
    std::string windows_dir() const override { return "C:\\windows"; }
    std::string system_dir() const override { return "C:\\windows\\system32"; }
    std::string temp_dir() const override { return "C:\\Users\\u\\AppData\\Local\\Temp\\"; }
};

struct FormCase {
    const char* folder;
    bool variable_allowed;
    const char* stored;
};

std::string expanded(const std::string& stored, const std::string& program, const Folders& folders) {
    std::string text = stored;
    return expand_stored_path(text, program, folders);
}

TEST(FinderStoredForm, TokensWhereTheyApplyAndEveryFormExpandsBack) {
    const FakeFolders folders;
    const std::string program = "D:\\Games\\淺\\g.exe";  // the trail byte of 淺 is "\"
    const FormCase cases[] = {
        {"C:\\Users\\u\\AppData\\LocalLow\\Maker\\Game", true, "%USERPROFILE%\\AppData\\LocalLow\\Maker\\Game"},
        {"C:\\Users\\u\\Saved Games\\Game", true, "%USERPROFILE%\\Saved Games\\Game"},
        {"C:\\Users\\u\\Documents\\My Games\\游戏", true, "<我的文档>\\My Games\\游戏"},
        {"c:\\users\\U\\documents\\x", true, "<我的文档>\\x"},
        {"D:\\Games\\淺", true, "<程序所在目录>"},
        {"D:\\Games\\淺\\存档", true, "<程序所在目录>\\存档"},
        {"D:\\Games\\淺x\\save", true, "D:\\Games\\淺x\\save"},  // not inside the program's folder
        {"C:\\ProgramData\\Maker", true, "%ProgramData%\\Maker"},
        {"C:\\Users\\Public\\Documents\\Maker", true, "%PUBLIC%\\Documents\\Maker"},
        {"C:\\Users\\u\\AppData\\Roaming\\Maker", true, "%USERPROFILE%\\AppData\\Roaming\\Maker"},
        {"C:\\Users\\u\\AppData\\Roaming\\Maker", false, "<程序数据目录>\\Maker"},
        {"C:\\Users\\u\\AppData\\LocalLow\\Maker", false, "C:\\Users\\u\\AppData\\LocalLow\\Maker"},
        {"E:\\Other", true, "E:\\Other"},
    };
    for (const FormCase& c : cases) {
        const std::string stored = finder::stored_form(c.folder, program, folders, c.variable_allowed);
        EXPECT_EQ(stored, c.stored) << c.folder;
        EXPECT_TRUE(finder::same_folder(expanded(stored, program, folders), c.folder)) << stored;
    }
}

TEST(FinderStoredForm, OnlyTheFirstFolderThatNeedsAVariableGetsOne) {
    const FakeFolders folders;
    const std::string program = "D:\\Games\\G\\g.exe";
    const std::vector<std::string> found = {"C:\\Users\\u\\AppData\\LocalLow\\M\\G", "D:\\Games\\G",
                                            "C:\\Users\\u\\AppData\\Roaming\\X", "C:\\ProgramData\\Y"};
    const std::string joined = finder::join_stored_forms(found, program, folders);
    EXPECT_EQ(joined, "%USERPROFILE%\\AppData\\LocalLow\\M\\G|<程序所在目录>|<程序数据目录>\\X|C:\\ProgramData\\Y");
    const std::vector<std::string> back = gbk::split(expanded(joined, program, folders));
    ASSERT_EQ(back.size(), found.size());
    for (size_t i = 0; i < found.size(); ++i) EXPECT_TRUE(finder::same_folder(back[i], found[i])) << back[i];
}

TEST(FinderStoredForm, WhenAVariableIsMissingThePlainFolderIsStored) {
    FakeFolders folders;
    folders.env.clear();
    EXPECT_EQ(finder::stored_form("C:\\Users\\u\\AppData\\LocalLow\\M", "", folders, true),
              "C:\\Users\\u\\AppData\\LocalLow\\M");
}

}  // namespace
