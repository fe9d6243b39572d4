#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include "paths/files.h"
#include "paths/folders_win.h"
#include "paths/gbk_text.h"

namespace {

TEST(SystemFolders, EveryItemIsAFolderWithOneTrailingBackslash) {
    for (int item = 1; item <= kSpecialDirectoryCount; ++item) {
        if (item == 2 || item == 4) continue;  // favorites and fonts may be missing in a fresh prefix
        std::string path = special_directory_path(item);
        ASSERT_FALSE(path.empty()) << item;
        EXPECT_EQ(gbk::find_last(path, "\\"), static_cast<int>(path.size())) << path;
        EXPECT_NE(path.substr(path.size() - 2), "\\\\") << path;
    }
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    EXPECT_EQ(special_directory_path(11), temp);
    EXPECT_EQ(special_directory_path(0), "");
}

TEST(SystemFolders, ExpansionUsesTheProcessEnvironmentInGbk) {
    SetEnvironmentVariableW(L"VARNOKE_TEST_DIR", L"C:\\\u6DFA\\\u6771");  // C:\淺\東
    std::string text = "%VARNOKE_TEST_DIR%\\存档|<临时文件目录>";
    expand_stored_path(text, "", system_folders());
    EXPECT_EQ(text, "C:\\淺\\東\\存档|" + special_directory_path(11));
    SetEnvironmentVariableW(L"VARNOKE_TEST_DIR", nullptr);
    text = "%VARNOKE_TEST_DIR%\\存档";
    EXPECT_EQ(expand_stored_path(text, "", system_folders()), "\\存档");
}

TEST(SystemFolders, DocumentsTokenMatchesTheShellFolder) {
    char docs[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, docs, 5, FALSE));
    std::string text = "<我的文档>\\Game";
    EXPECT_EQ(expand_stored_path(text, "", system_folders()), std::string(docs) + "\\\\Game");
}

}  // namespace
