// The main window on a fresh tool folder with three save folders, driven through its controls.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <map>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/window_flow.h"
#include "backup/zip/zip.h"
#include "fs/recycle_bin.h"
#include "config/ini.h"
#include "paths/files.h"
#include "paths/gbk_text.h"
#include "paths/time_text.h"
#include "support/scripted_prompt.h"
#include "win/support/win_test.h"

namespace app_test {

using M = MainWindow;
using wintest::read_file;
using wintest::unpacked;
using wintest::write_file;

// The Recycle Bin of these tests: whether a file is held is the system's answer; a move deletes the
// files, recorded as the user reads their paths.
class TestRecycleBin : public fs::RecycleBin {
   public:
    std::vector<std::vector<std::string>> moved;
    bool in_use(const std::string& path) override { return fs::platform_recycle_bin().in_use(path); }
    bool move_to_bin(const std::vector<std::string>& paths) override {
        moved.emplace_back();
        for (const std::string& p : paths) DeleteFileA(moved.back().emplace_back(fs::shown(p)).c_str());
        return true;
    }
};

class BackupRestore : public ::testing::Test {
   protected:
    wintest::TempDir tool{"备份恢复"};
    wintest::TempDir saves{"存档"};
    ScriptedPrompt prompt;
    TestRecycleBin recycle_bin;
    M window;
    const std::string time_name = "2011年10月22日9时5分";

    void SetUp() override {
        prompt.install();
        set_clock_for_tests([] { return DateTime{2011, 10, 22, 9, 5, 0}; });
        app() = AppState{};
        app().fs = &wintest::disk();
        app().recycle_bin = &recycle_bin;
        app().tool_dir = wintest::on_disk(tool.path());
        wintest::make_dirs(wintest::ansi(app().config_dir()));
        wintest::make_dirs(wintest::ansi(app().backup_root()));
        app().save_config_path = wintest::on_disk(wintest::ansi(app().config_dir()) + "\\存档配置文件.ini");
        for (const char* d : {"一", "二\\子目录", "三", "空"}) wintest::make_dirs(saves / d);
        write_file(saves / "一\\存档1.sav", "first save");
        write_file(saves / "二\\子目录\\深.dat", std::string(200000, 'x'));
        write_file(saves / "三\\3.sav", "third");
    }
    void TearDown() override {
        set_clock_for_tests(nullptr);
        set_prompt(nullptr);
    }

    void add_project(const std::string& name, const std::string& save_path, const std::string& program) {
        write_ini_value(wintest::ansi(app().save_config_path), name, "存档路径", save_path);
        write_ini_value(wintest::ansi(app().save_config_path), name, "程序路径", program);
    }
    void open_and_select(const std::string& name) {
        ASSERT_TRUE(window.create(main_context()));
        HWND combo = window.item(M::kProjectCombo);
        int i = static_cast<int>(SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(name.c_str())));
        ASSERT_GE(i, 0);
        wintest::select_combo_item(combo, i);
    }
    // Presses a button of the main window and waits until its work has been told.
    void press(int id) {
        wintest::click(window.item(id));
        wait_until_told(window);
    }
    static void wait_until_told(const M& w) {
        wintest::wait_for(
            [&] {
                wintest::pump_messages();
                return !w.working();
            },
            120000);
    }
    std::string backup_folder(const std::string& name) const { return wintest::ansi(app().backup_root()) + "\\" + name; }
    std::string archive(const std::string& name, int k = 1) const {
        std::string a = backup_folder(name) + "\\" + time_name + ".zip";
        return k == 1 ? a : a + std::to_string(k);
    }
    static std::string varnoke_exe() { return files::executable_dir() + "\\Varnoke.exe"; }
    std::string stamp(const std::string& name) { return read_ini_value(wintest::ansi(app().save_config_path), name, "操作时间"); }
    // Every file and folder below a folder with its bytes and time: "before" and "after" compare.
    static std::map<std::string, std::string> snapshot(const std::string& root);
    // Whether a temporary file or folder of ours is anywhere below.
    static bool has_temporaries(const std::string& root);
};

}  // namespace app_test
