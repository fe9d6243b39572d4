#include "config_fixture.h"

#include "config/ini.h"
#include "paths/time_text.h"
#include "app/window_flow.h"
#include "ui/config_window.h"

void ConfigWindowTest::SetUp() {
    prompt.install();
    set_clock_for_tests([] { return DateTime{2012, 12, 21, 3, 14, 35}; });
    AppState& a = app();
    a = AppState{};
    a.fs = &wintest::disk();
    a.tool_dir = wintest::on_disk(dir.path());
    a.machine_id = "0A1B2C3D4E5F7601";
    wintest::make_dirs(dir / "配置目录");
    wintest::make_dirs(dir / "存档目录");
    a.save_config_path = wintest::on_disk(list_path());
}

void ConfigWindowTest::TearDown() {
    for (const char* title : {"配置", "Varnoke"})
        for (HWND w : windows_titled(title)) DestroyWindow(w);
    wintest::pump_messages();
    set_clock_for_tests({});
    // The profile functions cache files; clear the cache before the folder goes.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, list_path().c_str());
    app() = AppState{};
    app().fs = &wintest::disk();
}

HWND ConfigWindowTest::open(const std::string& dropped_file) {
    EXPECT_TRUE(open_config(dropped_file));
    window_ = wintest::own_window("配置");
    EXPECT_NE(window_, nullptr);
    wintest::pump_messages();
    return window_;
}

std::string ConfigWindowTest::text(int id) const {
    char buf[4096] = {};
    GetWindowTextA(ctl(id), buf, sizeof buf);
    return buf;
}

int ConfigWindowTest::page() const { return static_cast<int>(SendMessageA(ctl(cfg::kTabs), TCM_GETCURSEL, 0, 0)); }

void ConfigWindowTest::click_tab(int index) {
    RECT r{};
    SendMessageA(ctl(cfg::kTabs), TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(ctl(cfg::kTabs), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(ctl(cfg::kTabs), WM_LBUTTONUP, 0, at);
    wintest::pump_messages();
}

std::vector<std::string> ConfigWindowTest::items(int combo) const {
    std::vector<std::string> out;
    for (int i = 0; i < wintest::combo_count(ctl(combo)); ++i) out.push_back(wintest::combo_item(ctl(combo), i));
    return out;
}

int ConfigWindowTest::selection(int combo) const {
    return static_cast<int>(SendMessageA(ctl(combo), CB_GETCURSEL, 0, 0));
}

void ConfigWindowTest::select(int combo, const std::string& item_text) {
    std::vector<std::string> all = items(combo);
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i] == item_text) return wintest::select_combo_item(ctl(combo), static_cast<int>(i));
    ADD_FAILURE() << "no item " << item_text;
}

std::string ConfigWindowTest::value(const std::string& project, const std::string& key) const {
    return read_ini_value(list_path(), project, key, "<missing>");
}

std::vector<std::string> ConfigWindowTest::sections() const { return read_ini_section_names(list_path()); }

std::vector<HWND> windows_titled(const std::string& title) { return wintest::own_windows(title.c_str()); }
