#pragma once
// The stand-in game of the save finder's tests, copied into a folder of its own, and helpers to
// drive "查找存档位置" from inside its modal loop.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "win/support/win_test.h"

class Window;

namespace wintest {

class FinderGame {
   public:
    // `writes`: the game writes its files; `run_ms`: how long it runs on after that.
    FinderGame(bool writes, int run_ms);
    ~FinderGame();
    FinderGame(const FinderGame&) = delete;
    FinderGame& operator=(const FinderGame&) = delete;

    std::string game() const { return folder_ + "\\finder_game.exe"; }
    std::string launcher() const { return folder_ + "\\finder_launcher.exe"; }
    const std::string& folder() const { return folder_; }
    // Where the game puts its save, and the same folder as the finder stores it.
    std::string save_folder() const;
    std::string stored_save_folder() const;
    std::string save_file() const { return save_folder() + "\\save1.dat"; }

   private:
    TempDir dir_{"finder"};
    std::string folder_;
    std::string maker_;
};

// Pumps this thread's messages until `done` holds; false after `ms`.
bool pump_until(const std::function<bool()>& done, int ms);
// The first column of every row of the candidate list.
std::vector<std::string> finder_rows(const Window& w);
// Ticks a row the way a click on its box does.
void tick_row(const Window& w, int row);

}  // namespace wintest
