// The helpers of the page "其他" and the program chooser of the page "修改".
#include "ui/other_page.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <string>

#include "paths/files.h"
#include "support/scripted_prompt.h"
#include "win/support/win_test.h"

namespace {

class OtherPageTest : public ::testing::Test {
   protected:
    ScriptedPrompt prompt;
    HWND parent = nullptr;

    void SetUp() override {
        prompt.install();
        parent =
            CreateWindowA("STATIC", "", WS_OVERLAPPED, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(parent, nullptr);
    }
    void TearDown() override {
        DestroyWindow(parent);
        set_prompt(nullptr);
    }
    // An editable drop-down like the two combo boxes of the page.
    HWND make_combo() {
        return CreateWindowA("COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | WS_VSCROLL, 8, 16, 115,
                             200, parent, nullptr, nullptr, nullptr);
    }
    static std::string text_of(HWND w) {
        char buf[256] = {};
        GetWindowTextA(w, buf, sizeof buf);
        return buf;
    }
};

TEST_F(OtherPageTest, SpecialDirectoryItemsCarryTheirNumbers) {
    HWND combo = make_combo();
    fill_special_directory_combo(combo);
    EXPECT_EQ(text_of(combo), "特定目录");
    EXPECT_EQ(selected_item_data(combo), -1);
    const char* names[] = {"我的文档",        "我的收藏夹",      "系统桌面",    "系统字体",
                           "开始菜单组",      "程序菜单组",      "启动菜单组",  "程序数据目录",
                           "Windows安装目录", "Windows系统目录", "临时文件目录"};
    ASSERT_EQ(wintest::combo_count(combo), 11);
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(wintest::combo_item(combo, i), names[i]);
        SendMessageA(combo, CB_SETCURSEL, i, 0);
        EXPECT_EQ(selected_item_data(combo), i + 1);
    }
}

TEST_F(OtherPageTest, TemporaryFolderHasExactlyOneTrailingBackslash) {
    HWND combo = make_combo();
    fill_special_directory_combo(combo);
    SendMessageA(combo, CB_SETCURSEL, 10, 0);
    const std::string folder = special_directory_folder(selected_item_data(combo));
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string expected = temp;
    while (!expected.empty() && expected.back() == '\\') expected.pop_back();
    EXPECT_EQ(folder, expected + "\\");

    char desktop[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE));
    EXPECT_EQ(special_directory_folder(3), std::string(desktop) + "\\");
    EXPECT_EQ(special_directory_folder(-1), "");
    EXPECT_EQ(special_directory_folder(12), "");
}

TEST_F(OtherPageTest, TypedVariableNameShowsItsValue) {
    HWND combo = make_combo();
    fill_environment_combo(combo);
    EXPECT_EQ(text_of(combo), "环境变量");
    ASSERT_EQ(wintest::combo_count(combo), 3);
    EXPECT_EQ(wintest::combo_item(combo, 0), "USERPROFILE");
    EXPECT_EQ(wintest::combo_item(combo, 1), "ALLUSERSPROFILE");
    EXPECT_EQ(wintest::combo_item(combo, 2), "APPDATA");

    SetEnvironmentVariableW(L"VARNOKE_GAME", L"D:\\\u6E38\u620F\\\u6DFA");  // D:\游戏\淺
    SetWindowTextA(combo, "VARNOKE_GAME");
    EXPECT_EQ(environment_value(text_of(combo)), "D:\\游戏\\淺");
    SetWindowTextA(combo, "VARNOKE_NOT_SET");
    EXPECT_EQ(environment_value(text_of(combo)), "");
    EXPECT_EQ(environment_value(""), "");
    wintest::select_combo_item(combo, 0);
    EXPECT_EQ(environment_value(text_of(combo)), files::environment_variable("USERPROFILE"));
    EXPECT_NE(environment_value("USERPROFILE"), "");
}

TEST_F(OtherPageTest, UsageMessageExplainsBothReferenceKinds) {
    show_system_directory_help();
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].style, 0u);  // OK only, no icon
    EXPECT_EQ(prompt.messages[0].title, "系统目录使用说明");
    EXPECT_EQ(
        prompt.messages[0].text,
        "1、特定目录\r\n  引用方法： <***>\r\n  实例：<我的文档>\\Electronic Arts\\模擬市民3\r\n"
        "  特定目录支持清单：<程序所在目录> <程序上级目录> <我的文档> <我的收藏夹> <系统桌面> <系统字体> "
        "<开始菜单组> <程序菜单组> <启动菜单组> <程序数据目录> <Windows安装目录> <Windows系统目录> "
        "<临时文件目录>\r\n\r\n2、环境变量\r\n  引用方法 %***%\r\n"
        "  实例：%USERPROFILE%\\My Documents\\Electronic Arts\\模擬市民3\r\n"
        "  在 我的电脑 上右击→属性→点高级选项卡中的环境变量按钮进入环境变量设置。");
}

}  // namespace
