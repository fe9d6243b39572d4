// The real main window under Wine, driven through its controls.
#include <windows.h>

#include <shlobj.h>

#include <cstring>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/window_flow.h"
#include "ui/config_window.h"
#include "config/ini.h"
#include "paths/time_text.h"
#include "support/scripted_prompt.h"
#include "win/support/win_test.h"

namespace {

using M = MainWindow;
using wintest::combo_count;
using wintest::combo_item;

// A GBK project list: stamped, unstamped, invalid; names and paths with 淺 (9C 5C) and 東 (96 7C).
const char* kProjects =
    "[旧游戏]\r\n程序路径=C:\\Games\\Old\\old.exe\r\n存档路径=C:\\Saves\\Old\r\n操作时间=2010年5月1日\r\n"
    "[坏时间]\r\n程序路径=E:\\bad.exe\r\n存档路径=E:\\bad\r\n操作时间=abc\r\n"
    "[淺東]\r\n程序路径=D:\\淺\\東.exe\r\n"
    "存档路径=%VARNOKE_SAVES%\\a|<程序所在目录>\\b|%VARNOKE_SAVES%\\東|\r\n"
    "操作时间=2024年1月2日3时4分5秒\r\n"
    "[无时间]\r\n程序路径=nodir.exe\r\n存档路径=\r\n"
    "[新游戏]\r\n程序路径=F:\\New\\new.exe\r\n存档路径=F:\\New\\Save\r\n操作时间=2023年6月7日8时\r\n";

class MainWindowTest : public ::testing::Test {
   protected:
    wintest::TempDir tool{"主窗口"};
    ScriptedPrompt prompt;
    M window;

    void SetUp() override {
        prompt.install();
        app() = AppState{};
        app().fs = &wintest::disk();
        app().tool_dir = wintest::on_disk(tool.path());
        wintest::make_dirs(wintest::ansi(app().config_dir()));
        app().save_config_path = wintest::on_disk(wintest::ansi(app().config_dir()) + "\\存档配置文件.ini");
        wintest::write_file(wintest::ansi(app().save_config_path), kProjects);
        SetEnvironmentVariableW(L"VARNOKE_SAVES", L"C:\\\u5B58");  // C:\存
        ASSERT_TRUE(window.create(main_context()));
        wintest::pump_messages();
    }
    void TearDown() override {
        close_all_windows();
        set_clock_for_tests(nullptr);
        set_prompt(nullptr);
    }

    // Closing "配置" opens a main window again, so close until none is left.
    static void close_all_windows() {
        for (int i = 0; i < 10; ++i) {
            HWND w = wintest::own_window(nullptr);
            if (!w) break;
            DestroyWindow(w);
            wintest::pump_messages();
        }
    }

    HWND item(int id) const { return window.item(id); }
    void select(const std::string& name) {
        int index =
            static_cast<int>(SendMessageA(item(M::kProjectCombo), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(name.c_str())));
        ASSERT_GE(index, 0) << name;
        wintest::select_combo_item(item(M::kProjectCombo), index);
    }
    void click(int id) { wintest::click(item(id)); }
    std::string stamp_of(const std::string& project) {
        return read_ini_value(wintest::ansi(app().save_config_path), project, "操作时间");
    }
};

TEST_F(MainWindowTest, OpensWithTheListMostRecentFirstAndNothingSelected) {
    EXPECT_EQ(window.title(), "Varnoke");
    SIZE client = window.client_size();
    EXPECT_EQ(client.cx, 494);
    EXPECT_EQ(client.cy, 221);
    HWND combo = item(M::kProjectCombo);
    ASSERT_EQ(combo_count(combo), 5);
    const char* expected[] = {"淺東", "新游戏", "无时间", "旧游戏", "坏时间"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(combo_item(combo, i), expected[i]) << i;
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(window.text(M::kSavePathEdit), "");
    EXPECT_EQ(window.text(M::kProgressCountLabel), "5/5");
    EXPECT_FALSE(window.is_enabled(M::kBackupButton));
    EXPECT_FALSE(window.is_enabled(M::kRestoreButton));
    EXPECT_FALSE(window.is_enabled(M::kStartButton));
    EXPECT_TRUE(window.is_enabled(M::kConfigButton));
    EXPECT_FALSE(window.is_visible(M::kIconCanvas));
}

TEST_F(MainWindowTest, MissingProjectListGivesAnEmptyCombo) {
    app().save_config_path = wintest::on_disk(tool / "配置目录\\没有.ini");
    M other;
    ASSERT_TRUE(other.create(main_context()));
    EXPECT_EQ(combo_count(other.item(M::kProjectCombo)), 0);
}

TEST_F(MainWindowTest, SelectingAProjectExpandsAndShowsItsPaths) {
    select("淺東");
    // One variable reference is expanded, the first. The box shows the value as stored, trailing
    // "|" included, but that "|" adds no empty save path.
    const std::string saves = "C:\\存\\a|D:\\淺\\b|%VARNOKE_SAVES%\\東|";
    EXPECT_EQ(window.text(M::kSavePathEdit), saves);
    EXPECT_EQ(window.text(M::kProgramPathEdit), "D:\\淺\\東.exe");
    EXPECT_EQ(window.text(M::kBackupPathEdit), tool.path() + "\\存档目录\\淺東");
    EXPECT_EQ(window.text(M::kProgressCountLabel), "0/3");
    EXPECT_EQ(window.text(M::kProgressTextLabel), "");

    const CurrentProject& p = window.project();
    EXPECT_EQ(p.name, "淺東");
    EXPECT_EQ(p.program_path, "D:\\淺\\東.exe");
    EXPECT_EQ(p.save_paths, (std::vector<std::string>{wintest::on_disk("C:\\存\\a"), wintest::on_disk("D:\\淺\\b"),
                                                      wintest::on_disk("%VARNOKE_SAVES%\\東")}));
    EXPECT_EQ(p.backup_folder, wintest::on_disk(tool.path() + "\\存档目录\\淺東"));
    for (int id : {M::kBackupButton, M::kRestoreButton, M::kStartButton, M::kSavePathButton})
        EXPECT_TRUE(window.is_enabled(id)) << id;
}

TEST_F(MainWindowTest, EmptySavePathDisablesSaveButtons) {
    select("淺東");
    select("无时间");
    EXPECT_EQ(window.text(M::kSavePathEdit), "");
    EXPECT_EQ(window.text(M::kProgressCountLabel), "0/0");
    EXPECT_TRUE(window.project().save_paths.empty());
    EXPECT_FALSE(window.is_enabled(M::kSavePathButton));
    EXPECT_FALSE(window.is_enabled(M::kRestoreButton));
    EXPECT_TRUE(window.is_enabled(M::kBackupButton));
    EXPECT_TRUE(window.is_enabled(M::kStartButton));
    // The first selection may already be one without save path.
    M fresh;
    ASSERT_TRUE(fresh.create(main_context()));
    wintest::select_combo_item(fresh.item(M::kProjectCombo), 2);
    EXPECT_EQ(fresh.project().name, "无时间");
    EXPECT_FALSE(fresh.is_enabled(M::kSavePathButton));
    EXPECT_FALSE(fresh.is_enabled(M::kRestoreButton));
}

TEST_F(MainWindowTest, EditBoxesDriveTheEnableStates) {
    select("新游戏");
    wintest::type_text(item(M::kProgramPathEdit), "");
    EXPECT_FALSE(window.is_enabled(M::kStartButton));
    wintest::type_text(item(M::kBackupPathEdit), "");
    EXPECT_FALSE(window.is_enabled(M::kBackupButton));
    wintest::type_text(item(M::kBackupPathEdit), "x");
    EXPECT_TRUE(window.is_enabled(M::kBackupButton));
    // Typing a program path does not change the program that is started.
    wintest::type_text(item(M::kProgramPathEdit), "C:\\other.exe");
    ASSERT_TRUE(window.is_enabled(M::kStartButton));
    click(M::kStartButton);
    EXPECT_EQ(prompt.opened, std::vector<std::string>{"F:\\New\\new.exe"});
}

TEST_F(MainWindowTest, StartingTheProgramStampsTheProjectEvenWhenItCannotRun) {
    set_clock_for_tests([] { return DateTime{2030, 1, 2, 3, 4, 5}; });
    select("坏时间");  // E:\bad.exe does not exist
    click(M::kStartButton);
    EXPECT_EQ(prompt.opened, std::vector<std::string>{"E:\\bad.exe"});
    EXPECT_EQ(stamp_of("坏时间"), "2030年1月2日3时4分5秒");
    EXPECT_TRUE(prompt.messages.empty());
    // The stamp moves the project to the top the next time the list is built.
    M reopened;
    ASSERT_TRUE(reopened.create(main_context()));
    EXPECT_EQ(combo_item(reopened.item(M::kProjectCombo), 0), "坏时间");
}

TEST_F(MainWindowTest, StampWithoutSelectionWritesNothing) {
    window.stamp_operation_time();
    EXPECT_EQ(read_ini_section_names(wintest::ansi(app().save_config_path)).size(), 5u);
}

TEST_F(MainWindowTest, FolderButtonsOpenTheFoldersInTheShell) {
    select("淺東");
    click(M::kProgramPathButton);
    click(M::kBackupPathButton);
    // Several save paths are listed in a window of their own, not opened in the shell.
    std::vector<std::string> listed;
    Window::modal_hook() = [&listed](Window& w) {
        listed.push_back(w.title());
        w.close();
    };
    click(M::kSavePathButton);
    Window::modal_hook() = nullptr;
    EXPECT_EQ(listed, std::vector<std::string>{"存档路径查看"});
    EXPECT_EQ(prompt.opened, (std::vector<std::string>{"D:\\淺\\", tool.path() + "\\存档目录\\"}));

    prompt.opened.clear();
    select("新游戏");
    click(M::kSavePathButton);
    EXPECT_EQ(prompt.opened, std::vector<std::string>{"F:\\New\\Save"});

    prompt.opened.clear();
    select("无时间");  // program path without a backslash: no folder to open
    click(M::kProgramPathButton);
    EXPECT_TRUE(prompt.opened.empty());
}

TEST_F(MainWindowTest, ButtonsShowTheHandAndStartUsesSongTi9) {
    HCURSOR hand = LoadCursor(nullptr, IDC_HAND);
    for (int id : {M::kBackupButton, M::kRestoreButton, M::kStartButton, M::kConfigButton}) {
        SetCursor(nullptr);
        SendMessageA(window.hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(item(id)),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), hand) << id;
    }
    LOGFONTA lf{};
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(item(M::kStartButton), WM_GETFONT, 0, 0));
    ASSERT_TRUE(GetObjectA(font, sizeof lf, &lf));
    EXPECT_STREQ(lf.lfFaceName, "宋体");
    HDC dc = GetDC(nullptr);
    EXPECT_EQ(lf.lfHeight, -MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72));
    ReleaseDC(nullptr, dc);
}

TEST_F(MainWindowTest, ConfigButtonReplacesTheMainWindow) {
    click(M::kConfigButton);
    EXPECT_EQ(window.hwnd(), nullptr);
    EXPECT_NE(wintest::own_window("配置"), nullptr);
}

// Sends the window a real WM_DROPFILES, as the shell does for files dragged onto it.
void drop_files(HWND target, const std::vector<std::string>& files) {
    std::string list;
    for (const auto& f : files) list += f + '\0';
    list += '\0';
    HGLOBAL mem = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size());
    auto* df = static_cast<DROPFILES*>(GlobalLock(mem));
    df->pFiles = sizeof(DROPFILES);
    df->fWide = FALSE;
    memcpy(reinterpret_cast<char*>(df) + sizeof(DROPFILES), list.data(), list.size());
    GlobalUnlock(mem);
    SendMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(mem), 0);
    wintest::pump_messages();
}

TEST_F(MainWindowTest, DroppedFilesOpenTheConfigurationWithTheFirstName) {
    const std::string first = tool / "游戏\\淺東.exe";
    drop_files(window.hwnd(), {first, tool / "second.lnk"});
    EXPECT_EQ(window.hwnd(), nullptr);
    HWND config = wintest::own_window("配置");
    ASSERT_NE(config, nullptr);
    char name[1024] = {};
    GetWindowTextA(GetDlgItem(config, cfg::kAddProgramEdit), name, sizeof name);
    EXPECT_EQ(name, first);
}

TEST_F(MainWindowTest, AnEmptyDropChangesNothing) {
    window.files_dropped({});
    EXPECT_NE(window.hwnd(), nullptr);
    EXPECT_EQ(wintest::own_window("配置"), nullptr);
}

TEST_F(MainWindowTest, OpenMainWindowOwnsItsWindow) {
    ASSERT_TRUE(open_main_window());
    HWND second = nullptr;
    for (HWND w : wintest::own_windows("Varnoke"))
        if (w != window.hwnd()) second = w;
    ASSERT_NE(second, nullptr);
    const int live = Window::live_windows();
    DestroyWindow(second);  // the window deletes its own object
    EXPECT_EQ(Window::live_windows(), live - 1);
}

}  // namespace
