#pragma once
// Drives the real "配置" window under Wine: a fresh tool folder per test, a scripted prompt, a fixed
// clock, and clicks on the tab control the way the user makes them.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "support/scripted_prompt.h"
#include "win/support/win_test.h"

class ConfigWindowTest : public ::testing::Test {
   protected:
    void SetUp() override;
    void TearDown() override;

    // Opens "配置" and returns its handle (fails the test when it does not open).
    HWND open(const std::string& dropped_file = "");
    HWND ctl(int id) const { return GetDlgItem(window_, id); }
    std::string text(int id) const;
    void set(int id, const std::string& value) { wintest::type_text(ctl(id), value); }
    void click(int id) { wintest::click(ctl(id)); }
    int page() const;
    // Clicks the tab's header; the tab control asks before it changes the page.
    void click_tab(int page);
    std::vector<std::string> items(int combo) const;
    int selection(int combo) const;
    void select(int combo, const std::string& item_text);  // as the user picks it
    // An editable combo box hands the focus to its edit field.
    bool focused(int id) const { return GetFocus() == ctl(id) || IsChild(ctl(id), GetFocus()); }
    bool shown(int id) const { return IsWindowVisible(ctl(id)) != FALSE; }

    // The save-configuration file, written as bytes (GBK) and read back by the profile functions.
    std::string list_path() const { return dir / "配置目录\\存档配置文件.ini"; }
    void write_list(const std::string& ini) { wintest::write_file(list_path(), ini); }
    std::string value(const std::string& project, const std::string& key) const;
    std::vector<std::string> sections() const;
    std::string backup_dir(const std::string& project) const { return dir / ("存档目录\\" + project); }
    static std::string stamp() { return "2012年12月21日3时14分35秒"; }  // the fixed clock

    wintest::TempDir dir{"config"};
    ScriptedPrompt prompt;
    HWND window_ = nullptr;
};

// Holds a file open without sharing, so that every write to it fails meanwhile.
class FileLock {
   public:
    explicit FileLock(const std::string& path)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {
        EXPECT_NE(handle_, INVALID_HANDLE_VALUE) << path;
    }
    ~FileLock() { CloseHandle(handle_); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

   private:
    HANDLE handle_;
};

// Top-level windows of this process titled `title`.
std::vector<HWND> windows_titled(const std::string& title);
