#pragma once
// A Recycle Bin that records what it was given, as the user reads the paths, and moves them as the
// test says; whether a file is held open is asked of `held`.
#include <functional>
#include <string>
#include <vector>

#include "fs/file_names.h"
#include "fs/recycle_bin.h"

class ScriptedRecycleBin : public fs::RecycleBin {
   public:
    std::vector<std::vector<std::string>> moved;  // each call, as shown
    std::function<bool(const std::vector<std::string>&)> on_move;  // moves them (shown); none: true
    std::function<bool(const std::string&)> held;                  // none: nothing is held

    bool in_use(const std::string& path) override { return held && held(path); }
    bool move_to_bin(const std::vector<std::string>& paths) override {
        std::vector<std::string> shown;
        for (const std::string& p : paths) shown.push_back(fs::shown(p));
        moved.push_back(shown);
        return on_move ? on_move(shown) : true;
    }
};
