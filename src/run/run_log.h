#pragma once
// 配置目录\varnoke.log: what ran without a window asking — command-line runs, timed, quick and
// after-exit backups, quick restores — one timed line each, the oldest lines dropped past a limit.
#include <string>
#include <vector>

#include "fs/file_system.h"

inline constexpr size_t kRunLogLimit = 256 * 1024;  // bytes

// "2026-12-09 18:01:02" of now.
std::string log_time();

// Appends `lines`, each after the time, to the log in `config_dir` (ANSI); the lines as written.
// Nothing is written when the folder is missing.
std::vector<std::string> append_run_log(fs::FileSystem& fs, const std::string& config_dir,
                                        const std::vector<std::string>& lines);
