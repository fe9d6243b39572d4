#include "win/support/finder_game.h"

#include <windows.h>
#include <commctrl.h>

#include "fs/wide_text.h"
#include "paths/files.h"
#include "ui/finder_window.h"
#include "ui/window.h"

namespace wintest {

namespace {

std::string profile() {
    char buf[MAX_PATH] = {};
    GetEnvironmentVariableA("USERPROFILE", buf, sizeof buf);
    return buf;
}

}  // namespace

FinderGame::FinderGame(bool writes, int run_ms)
    : folder_(dir_ / "游戏"), maker_("FinderMaker" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount())) {
    make_dirs(folder_);
    for (const char* exe : {"finder_game.exe", "finder_launcher.exe"})
        CopyFileW(fs::to_wide(files::executable_dir() + "\\" + exe).c_str(),
                  fs::to_wide(folder_ + "\\" + exe).c_str(), FALSE);
    SetEnvironmentVariableA("FINDER_GAME_WRITES", writes ? "1" : nullptr);
    SetEnvironmentVariableA("FINDER_GAME_MS", std::to_string(run_ms).c_str());
    SetEnvironmentVariableA("FINDER_GAME_MAKER", maker_.c_str());
    SetEnvironmentVariableW(L"FINDER_GAME_PATH", fs::to_wide(game()).c_str());
}

FinderGame::~FinderGame() {
    const std::string home = profile();
    remove_tree(home + "\\AppData\\LocalLow\\" + maker_);
    remove_tree(home + "\\AppData\\Local\\" + maker_);
    DeleteFileA((home + "\\AppData\\Local\\NVIDIA\\DXCache\\finder_game.bin").c_str());
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    DeleteFileA((std::string(temp) + "finder_game.log").c_str());
    for (const char* name : {"FINDER_GAME_WRITES", "FINDER_GAME_MS", "FINDER_GAME_MAKER", "FINDER_GAME_PATH"})
        SetEnvironmentVariableA(name, nullptr);
}

std::string FinderGame::save_folder() const { return profile() + "\\AppData\\LocalLow\\" + maker_ + "\\寻宝记"; }
std::string FinderGame::stored_save_folder() const { return "%USERPROFILE%\\AppData\\LocalLow\\" + maker_ + "\\寻宝记"; }

bool pump_until(const std::function<bool()>& done, int ms) {
    for (int waited = 0; !done(); waited += 20) {
        if (waited >= ms) return false;
        pump_messages();
        Sleep(20);
    }
    return true;
}

std::vector<std::string> finder_rows(const Window& w) {
    HWND list = w.item(finder_ui::kCandidateList);
    std::vector<std::string> rows;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char buf[1024] = {};
        LVITEMA item{};
        item.iSubItem = 0;
        item.pszText = buf;
        item.cchTextMax = sizeof buf;
        SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
        rows.push_back(buf);
    }
    return rows;
}

void tick_row(const Window& w, int row) {
    ListView_SetCheckState(w.item(finder_ui::kCandidateList), row, TRUE);
}

}  // namespace wintest
