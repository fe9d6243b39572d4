// While the game runs: the quick keys pressed through the system while another window has the
// focus, the double press of 快速恢复 and its undo, and no box over the running program.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/window_flow.h"
#include "config/ini.h"
#include "fs/wide_text.h"
#include "paths/files.h"
#include "support/scripted_prompt.h"
#include "win/support/win_test.h"

namespace {

using M = MainWindow;

struct CountingNotifier : Notifier {
    std::vector<Note> notes;
    void notify(const Note& n) override { notes.push_back(n); }
};

// Dialogs of this process on screen: message boxes and the common dialogs are of class #32770.
int visible_dialogs() {
    int count = 0;
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            char cls[16] = {};
            GetClassNameA(w, cls, sizeof cls);
            if (pid == GetCurrentProcessId() && IsWindowVisible(w) && std::string(cls) == "#32770")
                ++*reinterpret_cast<int*>(lp);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

class InGame : public ::testing::Test {
   protected:
    void SetUp() override {
        prompt.install();
        prompt.on_open = [](const std::string& program) { EXPECT_TRUE(wintest::start_program(program)); };
        app() = AppState{};
        app().fs = &wintest::disk();
        app().tool_dir = wintest::on_disk(tool.path());
        app().machine_id = "测试机";
        wintest::make_dirs(wintest::ansi(app().config_dir()));
        wintest::make_dirs(wintest::ansi(app().backup_root()));
        app().save_config_path = wintest::on_disk(wintest::ansi(app().config_dir()) + "\\存档配置文件.ini");
        wintest::make_dirs(saves / "一");
        wintest::write_file(save_file(), "backed up");
        exe = "游戏" + std::to_string(GetCurrentProcessId()) + ".exe";
        ASSERT_TRUE(CopyFileA((files::executable_dir() + "\\stand_in.exe").c_str(), (tool / exe).c_str(), FALSE));
        for (auto [key, value] : {std::pair{"存档路径", saves / "一"}, {"程序路径", tool / exe}, {"退出后备份", "1"}})
            write_ini_value(wintest::ansi(app().save_config_path), "游戏", key, value);
        MainContext context = main_context();
        context.notifier = &told;
        ASSERT_TRUE(window.create(context));
        wintest::select_combo_item(window.item(M::kProjectCombo), 0);
        other = CreateWindowExA(0, "STATIC", "别的程序", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300, 200, 100, nullptr,
                                nullptr, nullptr, nullptr);
        SetForegroundWindow(other);
        wintest::pump_messages();
    }
    void TearDown() override {
        DestroyWindow(other);
        set_prompt(nullptr);
    }
    std::string save_file() const { return saves / "一\\存档.sav"; }
    size_t sets() const { return wintest::matching_files(wintest::ansi(app().backup_root()) + "\\游戏", "*.zip").size(); }

    // Ctrl+Alt+key as the keyboard sends it, to whichever window has the focus.
    static void press(BYTE key) {
        for (BYTE k : {BYTE{VK_CONTROL}, BYTE{VK_MENU}, key}) keybd_event(k, 0, 0, 0);
        for (BYTE k : {key, BYTE{VK_MENU}, BYTE{VK_CONTROL}}) keybd_event(k, 0, KEYEVENTF_KEYUP, 0);
    }
    // Waits, a bound against hanging rather than a timing, until `n` notes were told.
    bool told_at_least(size_t n, int bound_ms = 20000) {
        for (int waited = 0; told.notes.size() < n && waited < bound_ms; waited += 20) {
            wintest::pump_messages();
            dialogs_seen += visible_dialogs();
            Sleep(20);
        }
        return told.notes.size() >= n;
    }

    wintest::TempDir tool{"游戏中"}, saves{"存档"};
    ScriptedPrompt prompt;
    CountingNotifier told;
    M window;
    HWND other = nullptr;
    std::string exe;
    int dialogs_seen = 0;
};

TEST_F(InGame, QuickBackupKeyWorksWhileAnotherWindowHasTheFocus) {
    ASSERT_EQ(GetForegroundWindow(), other);
    press('B');
    ASSERT_TRUE(told_at_least(1));
    EXPECT_EQ(sets(), 1u);
    EXPECT_NE(told.notes[0].text.find("快速备份完成"), std::string::npos) << told.notes[0].text;
    EXPECT_TRUE(prompt.messages.empty());
}

// A key another program holds when the window opens is told once, without a box; the other key works.
TEST_F(InGame, AQuickKeyHeldElsewhereIsToldAndTheOtherStillWorks) {
    DestroyWindow(window.hwnd());
    ASSERT_TRUE(RegisterHotKey(other, 1, MOD_CONTROL | MOD_ALT, 'B'));
    M again;
    MainContext context = main_context();
    context.notifier = &told;
    ASSERT_TRUE(again.create(context));
    wintest::select_combo_item(again.item(M::kProjectCombo), 0);
    ASSERT_EQ(told.notes.size(), 1u);
    EXPECT_EQ(told.notes[0].text, "快速备份 Ctrl+Alt+B 已被其他程序占用");
    EXPECT_EQ(told.notes[0].log_lines, std::vector<std::string>{told.notes[0].text});
    press('R');
    ASSERT_TRUE(told_at_least(2));
    EXPECT_EQ(told.notes[1].text, "游戏：没有可恢复的备份");  // the key reached the window
    EXPECT_EQ(dialogs_seen, 0);
    DestroyWindow(again.hwnd());
    UnregisterHotKey(other, 1);
}

TEST_F(InGame, QuickRestoreNeedsASecondPressAndCanBeUndone) {
    press('B');
    ASSERT_TRUE(told_at_least(1));
    wintest::write_file(save_file(), "played on");
    press('R');
    ASSERT_TRUE(told_at_least(2));
    EXPECT_NE(told.notes[1].text.find("再按一次恢复 "), std::string::npos) << told.notes[1].text;
    EXPECT_EQ(wintest::read_file(save_file()), "played on");  // one press restores nothing
    press('R');
    ASSERT_TRUE(told_at_least(3));
    EXPECT_FALSE(told.notes[2].failure) << told.notes[2].text;
    EXPECT_EQ(wintest::read_file(save_file()), "backed up");
    EXPECT_TRUE(prompt.messages.empty());
    ASSERT_TRUE(window.can_undo());
    window.undo_last_restore();  // asks first: the scripted prompt says yes
    wintest::wait_for([&] {
        wintest::pump_messages();
        return !window.working();
    });
    EXPECT_EQ(wintest::read_file(save_file()), "played on");
}

// The program runs a few seconds; meanwhile both keys are used, then it ends and the backup after
// its exit follows. Everything is told, and no box ever shows.
TEST_F(InGame, NoBoxAppearsWhileTheWatchedProgramRuns) {
    SetEnvironmentVariableA("STAND_IN_MS", "4000");
    SetEnvironmentVariableW(L"STAND_IN_SAVE", fs::to_wide(save_file()).c_str());
    wintest::click(window.item(M::kStartButton));
    SetEnvironmentVariableA("STAND_IN_MS", nullptr);
    SetEnvironmentVariableA("STAND_IN_SAVE", nullptr);
    SetForegroundWindow(other);
    EXPECT_EQ(window.watched_projects(), std::vector<std::string>{"游戏"});
    press('B');
    ASSERT_TRUE(told_at_least(1));
    press('R');
    press('R');
    ASSERT_TRUE(told_at_least(3));
    ASSERT_TRUE(told_at_least(4, 30000));  // the backup after the program's exit
    EXPECT_EQ(dialogs_seen, 0);
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(sets(), 2u);
    for (const Note& n : told.notes) EXPECT_FALSE(n.failure) << n.text;
    EXPECT_TRUE(window.watched_projects().empty());
}

// A file the game holds open: the quick backup fails, and the notification and the log name the
// file, with no box.
TEST_F(InGame, AFileTheGameHoldsOpenIsToldInTheTrayAndTheLog) {
    SetEnvironmentVariableA("STAND_IN_MS", "4000");
    SetEnvironmentVariableA("STAND_IN_HOLD", "1");
    SetEnvironmentVariableW(L"STAND_IN_SAVE", fs::to_wide(save_file()).c_str());
    wintest::click(window.item(M::kStartButton));
    for (const char* v : {"STAND_IN_MS", "STAND_IN_HOLD", "STAND_IN_SAVE"}) SetEnvironmentVariableA(v, nullptr);
    ASSERT_TRUE(wintest::wait_for([&] {
        HANDLE h = CreateFileA(save_file().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        return h == INVALID_HANDLE_VALUE;  // the game has it now
    }, 20000));  // a bound: starting a program under a busy Wine has taken over 5 s
    SetForegroundWindow(other);
    press('B');
    ASSERT_TRUE(told_at_least(1));
    EXPECT_TRUE(told.notes[0].failure);
    EXPECT_NE(told.notes[0].text.find("存档.sav"), std::string::npos) << told.notes[0].text;
    bool logged = false;
    for (const std::string& line : told.notes[0].log_lines) logged = logged || line.find("存档.sav") != std::string::npos;
    EXPECT_TRUE(logged);
    EXPECT_EQ(sets(), 0u);
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(dialogs_seen, 0);
    ASSERT_TRUE(told_at_least(2, 30000));  // the backup after the program's exit writes it all
    EXPECT_FALSE(told.notes[1].failure) << told.notes[1].text;
}

}  // namespace
