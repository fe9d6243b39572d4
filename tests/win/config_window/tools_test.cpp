// The tools reached from "配置": the look-ups of the page "其他" and the window "多个位置", through
// the real window's controls.
#include "config_fixture.h"
#include "paths/files.h"
#include "ui/config_window.h"
#include "ui/exclusions_window.h"
#include "ui/multi_paths_window.h"
#include "ui/save_path_rows.h"
#include "ui/window.h"

namespace {

using namespace cfg;

class ConfigToolsTest : public ConfigWindowTest {
   protected:
    void TearDown() override {
        Window::modal_hook() = nullptr;
        ConfigWindowTest::TearDown();
    }
    void pick(int combo, int index) { wintest::select_combo_item(ctl(combo), index); }
};

TEST_F(ConfigToolsTest, SpecialFolderItemsShowTheirFolders) {
    open();
    click_tab(kPageOther);
    pick(kSpecialFolderCombo, 10);  // 临时文件目录
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    EXPECT_EQ(text(kSpecialFolderEdit), temp);
    EXPECT_EQ(text(kSpecialFolderEdit).back(), '\\');
    EXPECT_NE(text(kSpecialFolderEdit)[text(kSpecialFolderEdit).size() - 2], '\\');
    click(kSpecialFolderButton);
    EXPECT_EQ(prompt.opened, std::vector<std::string>{temp});
}

TEST_F(ConfigToolsTest, VariablesAreLookedUpOnSelectionAndWhileTyping) {
    SetEnvironmentVariableW(L"VARNOKE_GAMES", L"D:\\\u6E38\u620F");  // D:\游戏
    open();
    pick(kVariableCombo, 2);  // APPDATA
    EXPECT_EQ(text(kVariableEdit), files::environment_variable("APPDATA"));
    EXPECT_FALSE(text(kVariableEdit).empty());
    // Typing into the combo's edit field reports CBN_EDITCHANGE to the window.
    HWND edit = GetWindow(ctl(kVariableCombo), GW_CHILD);
    SetWindowTextA(edit, "VARNOKE_GAMES");
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(kVariableCombo, CBN_EDITCHANGE),
                 reinterpret_cast<LPARAM>(ctl(kVariableCombo)));
    EXPECT_EQ(text(kVariableEdit), "D:\\游戏");
    SetWindowTextA(edit, "VARNOKE_NOT_SET");
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(kVariableCombo, CBN_EDITCHANGE),
                 reinterpret_cast<LPARAM>(ctl(kVariableCombo)));
    EXPECT_EQ(text(kVariableEdit), "");
    SetEnvironmentVariableW(L"VARNOKE_GAMES", nullptr);
}

TEST_F(ConfigToolsTest, UsageButtonExplainsTheTokens) {
    open();
    click_tab(kPageOther);
    click(kFolderHelpButton);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].title, "系统目录使用说明");
    EXPECT_EQ(prompt.messages[0].text.rfind("1、特定目录\r\n", 0), 0u);
}

TEST_F(ConfigToolsTest, SeveralLocationsGoBackIntoThePageThatAsked) {
    open();
    click_tab(kPageAdd);
    set(kAddSaveEdit, "C:\\一|C:\\二");
    std::string title;
    Window::modal_hook() = [&](Window& w) {
        title = w.title();
        SetWindowTextA(w.item(path_rows::edit_id(2)), "");
        SetWindowTextA(w.item(path_rows::edit_id(3)), "C:\\三");
        wintest::click(w.item(multi_paths::kOkButton));
    };
    click(kAddSaveButton);
    EXPECT_EQ(title, "存档路径配置：（新增）");
    EXPECT_EQ(text(kAddSaveEdit), "C:\\一|C:\\三");
}

// 排除… refuses a pattern that cannot be used, with why; what it confirms goes with 增加.
TEST_F(ConfigToolsTest, ExclusionsAreCheckedOnConfirmAndWrittenWithTheProject) {
    open();
    click_tab(kPageAdd);
    EXPECT_EQ(text(kAddExclusionsLabel), "不排除任何文件");
    std::vector<std::string> told;
    Window::modal_hook() = [&](Window& w) {
        SetWindowTextA(w.item(exclusions_ui::kEdit), "cache\\\r\n..\\x");
        wintest::click(w.item(exclusions_ui::kOkButton));
        told = prompt.texts();
        SetWindowTextA(w.item(exclusions_ui::kEdit), "cache\\\r\n\r\n *.log ");
        wintest::click(w.item(exclusions_ui::kOkButton));
    };
    click(kAddExclusionsButton);
    EXPECT_EQ(told, std::vector<std::string>{"排除项“..\\x”不能含有 . 或 .."});
    EXPECT_EQ(text(kAddExclusionsLabel), "排除：cache\\；*.log");
    set(kAddNameEdit, "新游戏");
    set(kAddSaveEdit, "C:\\存档");
    click(kAddButton);
    EXPECT_EQ(value("新游戏", "排除"), "cache\\;*.log");
}

}  // namespace
