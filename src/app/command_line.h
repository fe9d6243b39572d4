#pragma once
// Runs without a window when the program is started with arguments (run/command_run decides what a
// run does). Nothing is shown: results go to the console the program was started from and, for
// backups, to 配置目录\varnoke.log. No single-instance marker is taken, so this works while a window
// is open.
#include <optional>
#include <string>
#include <vector>

#include "fs/file_system.h"

// The arguments after the program's name, in the ANSI code page.
std::vector<std::string> command_line_arguments();

// nullopt without arguments: the program opens its windows as always. Otherwise the exit code:
// 0 every archive written, 1 some not, 2 refused (of several projects the worst counts).
std::optional<int> run_command_line(const std::vector<std::string>& args, const std::string& tool_dir,
                                    fs::FileSystem& fs);
