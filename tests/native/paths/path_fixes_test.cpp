// Paths that follow the user: fixes applied as paths are expanded, paths this machine cannot use,
// and the token form that lets a list travel.
#include "paths/path_fixes.h"

#include <gtest/gtest.h>

namespace {

class MeFolders : public Folders {
   public:
    std::string environment_variable(const std::string& n) const override {
        return n == "USERPROFILE" ? "C:\\Users\\我" : "";
    }
    std::string special_folder(int csidl) const override { return csidl == 5 ? "D:\\文档" : ""; }
    std::string windows_dir() const override { return "C:\\Windows"; }
    std::string system_dir() const override { return "C:\\Windows\\system32"; }
    std::string temp_dir() const override { return "C:\\Temp"; }
};

TEST(PathFixes, TheLongestFolderThatHoldsThePathIsReplacedAndTheyAreKeptAsPairs) {
    const PathFixes fixes = parse_path_fixes("C:\\Users\\olduser>C:\\Users\\我|E:>D:\\|E:\\Games\\淺>F:\\淺|损坏");
    ASSERT_EQ(fixes.size(), 3u);
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Users\\olduser\\Saved Games\\x", "C:\\Users\\我\\Saved Games\\x"},
        {"c:\\users\\OLDUSER", "C:\\Users\\我"},
        {"C:\\Users\\olduser2\\x", "C:\\Users\\olduser2\\x"},  // another name that only begins alike
        {"E:\\Games\\a", "D:\\Games\\a"},
        {"E:\\Games\\淺\\b", "F:\\淺\\b"},
        {"G:\\x", "G:\\x"},
    };
    for (const auto& [path, fixed] : cases) EXPECT_EQ(apply_path_fixes(path, fixes), fixed) << path;
    PathFixes kept = fixes;
    add_path_fix(kept, {"e:", "H:"});
    EXPECT_EQ(parse_path_fixes(format_path_fixes(kept)), kept);
    EXPECT_EQ(kept[1].to, "H:");
}

TEST(PathFixes, AnotherUsersProfileOrAMissingDriveIsFoundAndEveryOtherPathPasses) {
    MeFolders me;
    auto drives = [](char d) { return d == 'C' || d == 'D'; };
    struct Case {
        const char* path;
        PathTrouble::Kind kind;
        const char* folder;
        const char* suggested;
    } cases[] = {
        {"C:\\Users\\olduser\\Documents\\My Games", PathTrouble::other_user, "C:\\Users\\olduser", "C:\\Users\\我"},
        {"C:\\Documents and Settings\\old\\x", PathTrouble::other_user, "C:\\Documents and Settings\\old", "C:\\Users\\我"},
        {"E:\\Games\\save", PathTrouble::missing_drive, "E:", ""},
        {"C:\\Users\\我\\AppData", PathTrouble::none, "", ""},
        {"C:\\Users\\Public\\Documents", PathTrouble::none, "", ""},
        {"D:\\存档", PathTrouble::none, "", ""},
        {"<我的文档>\\x", PathTrouble::none, "", ""},
    };
    for (const Case& c : cases) {
        const PathTrouble t = check_path(c.path, me, drives);
        EXPECT_EQ(t.kind, c.kind) << c.path;
        EXPECT_EQ(t.folder, c.folder) << c.path;
        EXPECT_EQ(t.suggested, c.suggested) << c.path;
    }
    EXPECT_EQ(token_form("D:\\文档\\My Games\\x", me), "<我的文档>\\My Games\\x");
    EXPECT_EQ(token_form("C:\\Users\\我\\Saved Games", me), "%USERPROFILE%\\Saved Games");
    EXPECT_EQ(token_form("E:\\x", me), "");
}

}  // namespace
