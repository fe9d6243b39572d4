#pragma once
// Start-up: one instance only, the machine identifier, the move from the single-file layout of
// versions before 0.99, and the choice of this machine's project list. The decisions are in
// run/first_start; this is the machine and the messages.
#include <functional>
#include <string>

#include "app/app_state.h"
#include "fs/file_system.h"
#include "run/first_start.h"

// The real files; tests make single calls fail.
struct StartupWindows {
    std::function<void()> open_main_window;
    std::function<void()> open_config_window;
};

// True when this process now holds the single-instance marker; false when another instance runs.
bool acquire_single_instance();
void release_single_instance();  // at exit, and between tests

// The first adapter's hardware address ("00-1A-2B-…", empty without adapter) and the OS build
// number (0 when unknown).
std::string first_adapter_address();
unsigned os_build_number();

// Reads or asks which project list this machine uses and opens the first window.
void choose_save_config(AppState& state, const StartupWindows& windows, fs::FileSystem& fs);

// All of start-up; false only when another instance is running.
bool run_startup(AppState& state, const StartupWindows& windows, fs::FileSystem& fs);
