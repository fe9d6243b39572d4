// "退出后自动备份": 启动程序 leaves the main window waiting, usable, until the program has ended.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/window_flow.h"
#include "backup/zip/zip.h"
#include "config/ini.h"
#include "fs/wide_text.h"
#include "paths/files.h"
#include "support/scripted_prompt.h"
#include "win/support/win_test.h"
#include "zip_support/extract_into.h"

namespace {

using M = MainWindow;

// A launcher that hands over to a process of the same name and ends at once; that one runs a few
// seconds and saves as it quits. Only a backup made after it has gone holds that save.
TEST(WaitForExit, OneBackupAfterTheLastProcessOfTheProgramHasEnded) {
    wintest::TempDir tool("等待退出"), saves("存档");
    ScriptedPrompt prompt;
    prompt.install();
    prompt.on_open = [](const std::string& program) { EXPECT_TRUE(wintest::start_program(program)); };
    app() = AppState{};
    app().fs = &wintest::disk();
    app().tool_dir = wintest::on_disk(tool.path());
    wintest::make_dirs(wintest::ansi(app().config_dir()));
    wintest::make_dirs(wintest::ansi(app().backup_root()));
    app().save_config_path = wintest::on_disk(wintest::ansi(app().config_dir()) + "\\存档配置文件.ini");
    wintest::make_dirs(saves / "一");
    wintest::write_file(saves / "一\\存档.sav", "before");
    const std::string exe = "替身" + std::to_string(GetCurrentProcessId()) + ".exe";
    ASSERT_TRUE(CopyFileA((files::executable_dir() + "\\stand_in.exe").c_str(), (tool / exe).c_str(), FALSE));
    for (auto [key, value] :
         {std::pair{"存档路径", saves / "一"}, {"程序路径", tool / exe}, {"退出后备份", "1"}})
        write_ini_value(wintest::ansi(app().save_config_path), "自动", key, value);
    SetEnvironmentVariableA("STAND_IN_LAUNCH", "1");
    SetEnvironmentVariableW(L"STAND_IN_SAVE", fs::to_wide(saves / "一\\存档.sav").c_str());

    struct CountingNotifier : Notifier {
        std::vector<Note> notes;
        void notify(const Note& n) override { notes.push_back(n); }
    } told;
    MainContext context = main_context();
    context.notifier = &told;
    M window;
    ASSERT_TRUE(window.create(context));
    wintest::select_combo_item(window.item(M::kProjectCombo), 0);
    wintest::click(window.item(M::kStartButton));
    SetEnvironmentVariableA("STAND_IN_LAUNCH", nullptr);
    SetEnvironmentVariableA("STAND_IN_SAVE", nullptr);
    EXPECT_EQ(window.text(M::kProgressTextLabel), "等待 " + exe + " 退出…");
    EXPECT_TRUE(window.is_enabled(M::kBackupButton));
    EXPECT_EQ(window.waiting_projects(), std::vector<std::string>{"自动"});

    for (int i = 0; i < 1200 && told.notes.empty(); ++i) {  // a bound against hanging, no timing
        wintest::pump_messages();
        Sleep(50);
    }
    const std::vector<std::string> archives = wintest::matching_files(wintest::ansi(app().backup_root()) + "\\自动", "*.zip*");
    ASSERT_EQ(archives.size(), 1u);
    const std::string archive = wintest::ansi(app().backup_root()) + "\\自动\\" + archives[0];
    wintest::TempDir out("unpacked");
    ASSERT_TRUE(zip_test::extract_into(archive, out.path()).ok);
    EXPECT_EQ(wintest::read_file(out / "存档.sav"), "after");
    // Told in the tray and the log, never in a box: the user may be in another full-screen program.
    EXPECT_TRUE(prompt.messages.empty());
    ASSERT_EQ(told.notes.size(), 1u);
    EXPECT_FALSE(told.notes[0].failure);
    EXPECT_NE(told.notes[0].text.find(archive), std::string::npos);
    EXPECT_EQ(window.text(M::kProgressTextLabel), archive + " 备份完成");
    EXPECT_TRUE(window.waiting_projects().empty());
    set_prompt(nullptr);
}

}  // namespace
