#pragma once
// Start-up: one instance only, the machine identifier, the move from the single-file layout of
// versions before 0.99, and the choice of this machine's project list.
#include <functional>
#include <string>

#include "app/app_state.h"

// File operations of the legacy migration; tests make single ones fail.
class LegacyFileOps {
   public:
    virtual ~LegacyFileOps() = default;
    virtual bool move_folder_into(const std::string& folder, const std::string& target_dir);
    virtual bool move_file(const std::string& from, const std::string& to);
    virtual bool copy_file(const std::string& from, const std::string& to);
};

struct StartupWindows {
    std::function<void()> open_main_window;
    std::function<void()> open_config_window;
};

// True when this process now holds the single-instance marker; false when another instance runs.
bool acquire_single_instance();
void release_single_instance();  // at exit, and between tests

// The first adapter's hardware address ("00-1A-2B-…", empty without adapter), the OS build number
// (0 when unknown), and the identifier made of both.
std::string first_adapter_address();
unsigned os_build_number();
std::string make_machine_id(const std::string& adapter_address, unsigned build_number);

bool needs_legacy_migration(const std::string& tool_dir);
// Moves the old layout into "配置目录" and "存档目录" and returns the message for the user.
std::string migrate_legacy_layout(const AppState& state, LegacyFileOps& ops);

// Reads or asks which project list this machine uses and opens the first window.
void choose_save_config(AppState& state, const StartupWindows& windows);

// All of start-up; false only when another instance is running.
bool run_startup(AppState& state, const StartupWindows& windows, LegacyFileOps& ops);

