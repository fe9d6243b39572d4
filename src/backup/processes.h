#pragma once
#include <string>

namespace backup {

// True when a running process has this executable file name. Windows file names ignore case, so a
// running "GAME.EXE" counts for a program path ending in "game.exe".
bool is_program_running(const std::string& exe_name);

}  // namespace backup
