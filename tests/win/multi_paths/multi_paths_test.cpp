// The window "多个位置" under Wine, driven from inside its modal loop.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/scripted_prompt.h"
#include "ui/multi_paths_window.h"
#include "ui/save_path_rows.h"
#include "win/support/win_test.h"

namespace {

using namespace multi_paths;
using path_rows::edit_id;

struct WriteBack {
    EditPage page;
    std::string joined;
};

class MultiPathsTest : public ::testing::Test {
   protected:
    ScriptedPrompt prompt;
    std::vector<WriteBack> written;
    int opened = 0;

    void SetUp() override { prompt.install(); }
    void TearDown() override {
        Window::modal_hook() = nullptr;
        set_prompt(nullptr);
    }

    SavePathsWriteBack recorder() {
        return [this](EditPage page, const std::string& joined) { written.push_back({page, joined}); };
    }
    // `drive` runs while the window is up; whatever it leaves open is closed afterwards.
    void drive(std::function<void(Window&)> steps) {
        Window::modal_hook() = [this, steps](Window& w) {
            ++opened;
            HWND h = w.hwnd();
            steps(w);
            if (IsWindow(h)) DestroyWindow(h);
        };
    }
    void modify(const std::string& name, const std::string& saves, const std::string& program = "") {
        edit_save_paths({EditPage::modify, name, saves, program}, recorder());
    }
    void add(const std::string& name, const std::string& saves) {
        edit_save_paths({EditPage::add, name, saves, ""}, recorder());
    }
};

void click(Window& w, int id) {
    wintest::click(w.item(id));
}
void select_combo(Window& w, int index) {
    wintest::select_combo_item(w.item(kCountCombo), index);
}
std::vector<std::string> fields(const Window& w) {
    return path_rows::texts(w);
}

// The client area shows exactly its rows.
void expect_rows(const Window& w, int rows) {
    EXPECT_EQ(w.client_size().cy, 73 + 30 * (rows - 1));
    EXPECT_EQ(w.client_size().cx, 414);
}

TEST_F(MultiPathsTest, ThreeEntriesShowThreeRowsAndComeBackJoined) {
    drive([](Window& w) {
        EXPECT_EQ(w.title(), "存档路径配置： 游戏");
        expect_rows(w, 3);
        EXPECT_EQ(fields(w), (std::vector<std::string>{"C:\\a", "D:\\淺", "E:\\東", "", ""}));
        EXPECT_EQ(w.text(kCountCombo), "多个位置");
        EXPECT_TRUE(w.is_visible(kMoreButton));
        EXPECT_TRUE(w.is_visible(kFewerButton));
        EXPECT_TRUE(w.is_enabled(kMoreButton));
        EXPECT_TRUE(w.is_enabled(kFewerButton));
        click(w, kOkButton);
        EXPECT_EQ(w.hwnd(), nullptr);
    });
    modify("游戏", "C:\\a|D:\\淺|E:\\東");
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].page, EditPage::modify);
    EXPECT_EQ(written[0].joined, "C:\\a|D:\\淺|E:\\東");
}

TEST_F(MultiPathsTest, EmptyMiddleEntryKeepsItsRowButOkSkipsIt) {
    drive([](Window& w) {
        expect_rows(w, 3);
        EXPECT_EQ(fields(w), (std::vector<std::string>{"C:\\a", "", "C:\\c", "", ""}));
        click(w, kOkButton);
    });
    modify("游戏", "C:\\a||C:\\c");
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].joined, "C:\\a|C:\\c");
}

TEST_F(MultiPathsTest, TrailingBarGivesOneRow) {
    drive([](Window& w) {
        expect_rows(w, 1);
        EXPECT_EQ(w.text(kCountCombo), "单一位置");
        EXPECT_FALSE(w.is_visible(kMoreButton));
        EXPECT_FALSE(w.is_visible(kFewerButton));
        EXPECT_EQ(w.text(edit_id(1)), "C:\\a");
        click(w, kOkButton);
    });
    modify("游戏", "C:\\a|");
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].joined, "C:\\a");
}

TEST_F(MultiPathsTest, NewProjectTitleAndClosingWithoutOkWritesNothing) {
    drive([](Window& w) {
        EXPECT_EQ(w.title(), "存档路径配置：（新增）");
        expect_rows(w, 1);
        EXPECT_EQ(w.text(edit_id(1)), "");
        wintest::type_text(w.item(edit_id(1)), "C:\\新");
        SendMessageA(w.hwnd(), WM_CLOSE, 0, 0);
    });
    add("", "");
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(written.empty());

    drive([](Window& w) {
        EXPECT_EQ(w.title(), "存档路径配置： 新游戏");
        click(w, kOkButton);
    });
    add("新游戏", "");
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].page, EditPage::add);
    EXPECT_EQ(written[0].joined, "");
}

TEST_F(MultiPathsTest, ModifyPageWithoutProjectOpensNothing) {
    drive([](Window&) {});
    modify("", "C:\\a");
    EXPECT_EQ(opened, 0);
}

TEST_F(MultiPathsTest, PlusAndMinusStepByRowAndStopAtTheEnds) {
    drive([](Window& w) {
        select_combo(w, 1);
        EXPECT_TRUE(w.is_visible(kMoreButton));
        expect_rows(w, 2);
        EXPECT_TRUE(w.is_enabled(kMoreButton));
        EXPECT_TRUE(w.is_enabled(kFewerButton));
        for (int k = 2; k <= 5; ++k) {
            if (k > 2) click(w, kMoreButton);
            expect_rows(w, k);
            wintest::type_text(w.item(edit_id(k)), "row" + std::to_string(k));
        }
        EXPECT_FALSE(w.is_enabled(kMoreButton));
        EXPECT_TRUE(w.is_enabled(kFewerButton));

        click(w, kFewerButton);  // row 5 disappears and loses its text
        expect_rows(w, 4);
        EXPECT_TRUE(w.is_enabled(kMoreButton));
        EXPECT_EQ(w.text(edit_id(5)), "");
        EXPECT_EQ(w.text(edit_id(4)), "row4");
        // "多个位置" again with more than one row shown changes nothing.
        select_combo(w, 1);
        expect_rows(w, 4);

        click(w, kFewerButton);
        click(w, kFewerButton);
        click(w, kFewerButton);
        expect_rows(w, 1);
        EXPECT_FALSE(w.is_enabled(kFewerButton));
        EXPECT_TRUE(w.is_enabled(kMoreButton));
        EXPECT_EQ(fields(w), (std::vector<std::string>{"C:\\one", "", "", "", ""}));
        click(w, kOkButton);
    });
    modify("游戏", "C:\\one");
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].joined, "C:\\one");
}

TEST_F(MultiPathsTest, SingleLocationAfterFourKeepsOnlyRowOne) {
    drive([](Window& w) {
        expect_rows(w, 4);
        select_combo(w, 0);
        expect_rows(w, 1);
        EXPECT_FALSE(w.is_visible(kMoreButton));
        EXPECT_FALSE(w.is_visible(kFewerButton));
        EXPECT_EQ(fields(w), (std::vector<std::string>{"C:\\1", "", "", "", ""}));
        click(w, kOkButton);
    });
    modify("游戏", "C:\\1|C:\\2|C:\\3|C:\\4");
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].joined, "C:\\1");
}

TEST_F(MultiPathsTest, TokensComeBackExpanded) {
    char docs[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, docs, CSIDL_PERSONAL, FALSE));
    drive([](Window& w) { click(w, kOkButton); });
    // The program-directory token follows the program path of the page that opened the window.
    // A path in the user's documents is offered in the form that travels; declined, it stays.
    prompt.answers = {mb::kIdNo};
    modify("游戏", "<我的文档>存档|<程序所在目录>\\存档", "D:\\游戏\\game.exe");
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].joined, std::string(docs) + "\\存档|D:\\游戏\\存档");
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_NE(prompt.messages[0].text.find("<我的文档>\\存档|D:\\游戏\\存档"), std::string::npos);
}

TEST_F(MultiPathsTest, EntriesBeyondFiveSurviveOk) {
    drive([](Window& w) {
        expect_rows(w, 5);
        EXPECT_FALSE(w.is_enabled(kMoreButton));
        EXPECT_EQ(fields(w), (std::vector<std::string>{"C:\\1", "C:\\2", "C:\\3", "C:\\4", "C:\\5"}));
        wintest::type_text(w.item(edit_id(2)), "C:\\二");
        click(w, kOkButton);
    });
    modify("游戏", "C:\\1|C:\\2|C:\\3|C:\\4|C:\\5|C:\\6|C:\\東");
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].joined, "C:\\1|C:\\二|C:\\3|C:\\4|C:\\5|C:\\6|C:\\東");
}

TEST_F(MultiPathsTest, RowButtonBrowsesIntoItsOwnRow) {
    prompt.browse_answers = {std::string("C:\\选"), std::nullopt};
    drive([](Window& w) {
        click(w, path_rows::button_id(3));
        EXPECT_EQ(fields(w), (std::vector<std::string>{"C:\\a", "C:\\b", "C:\\选", "", ""}));
        click(w, path_rows::button_id(1));  // cancelled
        EXPECT_EQ(w.text(edit_id(1)), "C:\\a");
    });
    modify("游戏", "C:\\a|C:\\b|C:\\c");
    ASSERT_EQ(prompt.browse_requests.size(), 2u);
    EXPECT_EQ(prompt.browse_requests[0].title, "浏览文件夹");
    EXPECT_TRUE(prompt.browse_requests[0].edit_box);
    EXPECT_TRUE(prompt.browse_requests[0].include_files);
    EXPECT_TRUE(written.empty());
}

}  // namespace
