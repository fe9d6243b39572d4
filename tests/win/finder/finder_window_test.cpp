// "查找存档位置" under Wine with a stand-in game: started, watched and its places offered.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <optional>

#include "backup/processes.h"
#include "support/scripted_prompt.h"
#include "ui/finder_window.h"
#include "ui/window.h"
#include "win/support/finder_game.h"

namespace {

using namespace finder_ui;
using wintest::finder_rows;
using wintest::pump_until;

constexpr int kLongWait = 30000;

class FinderWindowTest : public ::testing::Test {
   protected:
    ScriptedPrompt prompt;
    std::optional<std::string> chosen;

    void SetUp() override { prompt.install(); }
    void TearDown() override {
        Window::modal_hook() = nullptr;
        set_prompt(nullptr);
    }
    // Runs the window on `program`; `steps` drive it, whatever they leave open is closed after.
    void run(const std::string& program, unsigned launcher_ms, std::function<void(Window&)> steps) {
        Window::modal_hook() = [steps](Window& w) {
            HWND h = w.hwnd();
            steps(w);
            if (IsWindow(h)) DestroyWindow(h);
        };
        find_save_locations({&wintest::disk(), program, "", launcher_ms}, [this](const std::string& joined, const std::string&) { chosen = joined; });
    }
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(FinderWindowTest, TheSaveComesFirstAndWhatIsNoSaveIsNotOffered) {
    wintest::FinderGame game(true, 1500);
    std::vector<std::string> rows;
    run(game.game(), 1000, [&](Window& w) {
        EXPECT_EQ(w.title(), "查找存档位置");
        EXPECT_EQ(w.text(kProgramEdit), game.game());
        EXPECT_FALSE(w.is_enabled(kStopButton));
        wintest::click(w.item(kStartButton));
        EXPECT_TRUE(w.is_enabled(kStopButton));
        EXPECT_EQ(w.text(kStatusLabel), "正在记录…");
        // It ends by itself once the game has ended.
        ASSERT_TRUE(pump_until([&] { return !finder_rows(w).empty(); }, kLongWait)) << w.text(kStatusLabel);
        rows = finder_rows(w);
        EXPECT_FALSE(w.is_enabled(kStopButton));
        wintest::tick_row(w, 0);
        auto program_row = std::find(rows.begin(), rows.end(), "<程序所在目录>");
        ASSERT_NE(program_row, rows.end());
        wintest::tick_row(w, static_cast<int>(program_row - rows.begin()));
        wintest::click(w.item(kOkButton));
    });
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], game.stored_save_folder());
    for (const std::string& row : rows) {
        EXPECT_FALSE(contains(row, "Temp") || contains(row, "NVIDIA") || contains(row, "Logs")) << row;
        EXPECT_FALSE(contains(row, game.folder())) << row;  // the program's folder only by its token
    }
    EXPECT_EQ(chosen, game.stored_save_folder() + "|<程序所在目录>");
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(FinderWindowTest, AProgramThatWritesNothingChangesNothing) {
    wintest::FinderGame game(false, 1000);
    std::string status;
    run(game.game(), 500, [&](Window& w) {
        wintest::click(w.item(kStartButton));
        pump_until([&] { return !prompt.messages.empty(); }, kLongWait);
        status = w.text(kStatusLabel);
        EXPECT_TRUE(finder_rows(w).empty());
        EXPECT_FALSE(w.is_enabled(kOkButton));
        EXPECT_TRUE(w.is_enabled(kStartButton));
    });
    ASSERT_EQ(prompt.texts(), std::vector<std::string>{"没有发现写入的文件"});
    EXPECT_EQ(status, "没有发现写入的文件");
    EXPECT_FALSE(chosen);
}

// The launcher ends at once and the game runs as another process: only 停止 ends the recording.
TEST_F(FinderWindowTest, AfterALauncherTheRecordingGoesOnUntilStop) {
    wintest::FinderGame game(true, 500);
    std::vector<std::string> rows;
    run(game.launcher(), 10000, [&](Window& w) {
        wintest::click(w.item(kStartButton));
        ASSERT_TRUE(pump_until([&] { return wintest::read_file(game.save_file()) == "data"; },
                               kLongWait));
        ASSERT_TRUE(pump_until([&] { return !backup::is_program_running("finder_game.exe"); }, kLongWait));
        pump_until([] { return false; }, 1000);  // the game has ended, the launcher long before
        EXPECT_TRUE(w.is_enabled(kStopButton));
        EXPECT_EQ(w.text(kStatusLabel), "启动器已退出，仍在记录；游戏结束后请按 停止");
        EXPECT_TRUE(finder_rows(w).empty());
        wintest::click(w.item(kStopButton));
        rows = finder_rows(w);
        EXPECT_FALSE(w.is_enabled(kStopButton));
    });
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], game.stored_save_folder());
    EXPECT_NE(std::find(rows.begin(), rows.end(), "<程序所在目录>"), rows.end());
}

TEST_F(FinderWindowTest, AProgramThatCannotStartIsToldAndNothingIsRecorded) {
    wintest::TempDir dir("finder");
    run(dir / "缺少.exe", 1000, [&](Window& w) {
        wintest::click(w.item(kStartButton));
        EXPECT_TRUE(w.is_enabled(kStartButton));
        EXPECT_FALSE(w.is_enabled(kStopButton));
    });
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text.rfind("无法启动程序：" + (dir / "缺少.exe"), 0), 0u);
    EXPECT_FALSE(chosen);
}

}  // namespace

namespace {

TEST_F(FinderWindowTest, ASixthTickIsTakenBack) {
    wintest::FinderGame game(false, 500);
    const std::string my_games = [] {
        char buf[MAX_PATH] = {};
        GetEnvironmentVariableA("USERPROFILE", buf, sizeof buf);
        return std::string(buf) + "\\AppData\\LocalLow\\FinderSix" + std::to_string(GetCurrentProcessId()) + "_";
    }();
    std::vector<bool> ticks;
    run(game.launcher(), 10000, [&](Window& w) {
        wintest::click(w.item(kStartButton));
        for (int k = 1; k <= 6; ++k) {
            wintest::make_dirs(my_games + std::to_string(k));
            wintest::write_file(my_games + std::to_string(k) + "\\save.dat", "x");
        }
        pump_until([] { return false; }, 1000);
        wintest::click(w.item(kStopButton));
        ASSERT_GE(finder_rows(w).size(), 6u);
        for (int row = 0; row < 6; ++row) wintest::tick_row(w, row);
        for (int row = 0; row < 6; ++row)
            ticks.push_back(ListView_GetCheckState(w.item(kCandidateList), row) != FALSE);
        EXPECT_EQ(w.text(kStatusLabel), "最多可选五个位置");
    });
    for (int k = 1; k <= 6; ++k) wintest::remove_tree(my_games + std::to_string(k));
    EXPECT_EQ(ticks, (std::vector<bool>{true, true, true, true, true, false}));
}

}  // namespace
