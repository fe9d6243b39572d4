// 查找… beside 存档路径 on the pages 增加 and 修改: it needs a program, and the folders ticked in
// "查找存档位置" go into the page's save path, unsaved until the page's own button.
#include <algorithm>

#include "config_fixture.h"
#include "ui/config_window.h"
#include "ui/finder_window.h"
#include "ui/window.h"
#include "win/support/finder_game.h"

namespace {

using namespace cfg;

class FinderButtonTest : public ConfigWindowTest {
   protected:
    void TearDown() override {
        Window::modal_hook() = nullptr;
        ConfigWindowTest::TearDown();
    }
};

TEST_F(FinderButtonTest, WithoutAProgramItSaysSoOnBothPages) {
    open();
    int opened = 0;
    Window::modal_hook() = [&](Window&) { ++opened; };
    for (int page : {kPageAdd, kPageModify}) {
        click_tab(page);
        click(page == kPageAdd ? kAddFindButton : kModifyFindButton);
    }
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{"请先选择程序路径！", "请先选择程序路径！"}));
}

TEST_F(FinderButtonTest, TwoTickedPlacesGoIntoThePageJoined) {
    wintest::FinderGame game(false, 1500);
    write_list("");
    open();
    click_tab(kPageAdd);
    set(kAddNameEdit, "寻宝记");
    set(kAddSaveEdit, "D:\\旧");
    set(kAddProgramEdit, game.launcher());  // ends at once: recorded until 停止
    std::string title;
    Window::modal_hook() = [&](Window& w) {
        title = w.title();
        wintest::click(w.item(finder_ui::kStartButton));
        // What the game would write, written from here meanwhile: any process counts.
        wintest::make_dirs(game.save_folder());
        wintest::write_file(game.save_file(), "data");
        wintest::write_file(game.folder() + "\\settings.ini", "[a]");
        wintest::pump_until([] { return false; }, 1000);
        wintest::click(w.item(finder_ui::kStopButton));
        const std::vector<std::string> rows = wintest::finder_rows(w);
        ASSERT_GE(rows.size(), 2u);
        wintest::tick_row(w, 0);
        wintest::tick_row(w, static_cast<int>(std::find(rows.begin(), rows.end(), "<程序所在目录>") - rows.begin()));
        wintest::click(w.item(finder_ui::kOkButton));
    };
    click(kAddFindButton);
    EXPECT_EQ(title, "查找存档位置");
    EXPECT_EQ(text(kAddSaveEdit), game.stored_save_folder() + "|<程序所在目录>");
    EXPECT_TRUE(sections().empty());  // nothing is saved before 增加
}

}  // namespace
