// The window "存档路径查看", alone and opened from the main window's 存档路径按钮.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/window_flow.h"
#include "support/scripted_prompt.h"
#include "ui/path_view_window.h"
#include "ui/save_path_rows.h"
#include "win/support/win_test.h"

namespace {

using path_rows::edit_id;

const char* kProjects =
    "[空]\r\n程序路径=C:\\空.exe\r\n存档路径=\r\n"
    "[五处]\r\n程序路径=D:\\游戏\\五.exe\r\n"
    "存档路径=C:\\1|<程序所在目录>\\存档|%VARNOKE_VIEW%\\東||C:\\5\r\n"
    "[三处]\r\n程序路径=E:\\三.exe\r\n存档路径=C:\\a|C:\\b|C:\\c\r\n";

class PathViewTest : public ::testing::Test {
   protected:
    wintest::TempDir tool{"查看"};
    ScriptedPrompt prompt;
    std::vector<std::string> titles;

    void SetUp() override {
        prompt.install();
        app() = AppState{};
        app().fs = &wintest::disk();
        app().tool_dir = wintest::on_disk(tool.path());
        app().save_config_path = wintest::on_disk(tool / "存档配置文件.ini");
        wintest::write_file(wintest::ansi(app().save_config_path), kProjects);
        SetEnvironmentVariableW(L"VARNOKE_VIEW", L"C:\\\u6DFA");  // C:\淺
    }
    void TearDown() override {
        Window::modal_hook() = nullptr;
        set_prompt(nullptr);
    }
    void drive(std::function<void(Window&)> steps) {
        Window::modal_hook() = [this, steps](Window& w) {
            HWND h = w.hwnd();
            titles.push_back(w.title());
            steps(w);
            if (IsWindow(h)) DestroyWindow(h);
        };
    }
};

// Measured like the window does it: 193 minus the client height at the layout's 225 px.
void expect_rows(const Window& w, int rows) {
    EXPECT_EQ(w.client_size().cy, 73 + 30 * (rows - 1));
    EXPECT_EQ(w.client_size().cx, 444);
}

TEST_F(PathViewTest, EmptySavePathShowsOnlyTheLabelRow) {
    drive([this](Window& w) {
        EXPECT_EQ(w.text(path_view::kSectionLabel), "程序名称： 空");
        expect_rows(w, 0);
        EXPECT_EQ(path_rows::texts(w), std::vector<std::string>(5));
        wintest::click(w.item(path_rows::button_id(1)));
        EXPECT_TRUE(prompt.opened.empty());
    });
    open_path_view_window("空", "", "C:\\空.exe");
    EXPECT_EQ(titles, std::vector<std::string>{"存档路径查看"});
}

TEST_F(PathViewTest, FiveEntriesExpandedEachOpensItsOwnFolder) {
    drive([this](Window& w) {
        expect_rows(w, 5);
        EXPECT_EQ(path_rows::texts(w),
                  (std::vector<std::string>{"C:\\1", "D:\\游戏\\存档", "C:\\淺\\東", "", "C:\\5"}));
        EXPECT_EQ(w.text(path_view::kSectionLabel), "程序名称： 五处");
        EXPECT_TRUE(GetWindowLongA(w.item(edit_id(2)), GWL_STYLE) & ES_READONLY);
        for (int k = 1; k <= 5; ++k) wintest::click(w.item(path_rows::button_id(k)));
        EXPECT_EQ(prompt.opened,
                  (std::vector<std::string>{"C:\\1", "D:\\游戏\\存档", "C:\\淺\\東", "C:\\5"}));
    });
    open_path_view_window("五处", "C:\\1|<程序所在目录>\\存档|%VARNOKE_VIEW%\\東||C:\\5", "D:\\游戏\\五.exe");
    EXPECT_EQ(titles.size(), 1u);
}

TEST_F(PathViewTest, MainWindowListsSeveralPathsInTheViewWindow) {
    MainWindow main;
    ASSERT_TRUE(main.create(main_context()));
    HWND combo = main.item(MainWindow::kProjectCombo);
    const int index = static_cast<int>(
        SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("三处")));
    wintest::select_combo_item(combo, index);
    drive([](Window& w) {
        EXPECT_EQ(w.text(path_view::kSectionLabel), "程序名称： 三处");
        expect_rows(w, 3);
    });
    wintest::click(main.item(MainWindow::kSavePathButton));
    EXPECT_EQ(titles, std::vector<std::string>{"存档路径查看"});
    EXPECT_TRUE(prompt.opened.empty());
}

}  // namespace
