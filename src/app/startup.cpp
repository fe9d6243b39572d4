#include "app/startup.h"

#include <windows.h>
#include <iphlpapi.h>

#include <cstdio>
#include <vector>

#include "backup/outcome_text.h"
#include "backup/restore.h"
#include "fs/file_system.h"
#include "config/ini.h"
#include "config/machine_list.h"
#include "config/project_edit.h"
#include "config/project_list.h"
#include "paths/files.h"
#include "paths/folders_win.h"
#include "paths/gbk_text.h"
#include "run/project_loading.h"
#include "run/restore_all.h"
#include "ui/prompt.h"

namespace {

HANDLE g_instance_event = nullptr;  // held for the life of the process; only its existence matters

}  // namespace

// Creating the marker is also the test: of two copies started together exactly one creates it.
bool acquire_single_instance() {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, "mzdkrt_q");
    if (!event) return GetLastError() != ERROR_ACCESS_DENIED;  // held by another user's copy
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(event);
        return false;
    }
    g_instance_event = event;
    return true;
}

void release_single_instance() {
    if (g_instance_event) CloseHandle(g_instance_event);
    g_instance_event = nullptr;
}

std::string first_adapter_address() {
    ULONG size = 0;
    if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) return {};
    std::vector<unsigned char> buf(size);
    auto* info = reinterpret_cast<IP_ADAPTER_INFO*>(buf.data());
    if (GetAdaptersInfo(info, &size) != NO_ERROR) return {};
    const BYTE* a = info->Address;
    char text[32];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", a[0], a[1], a[2], a[3], a[4], a[5]);
    return text;
}

unsigned os_build_number() {
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&v)) return 0;
#pragma GCC diagnostic pop
    return v.dwBuildNumber;
}

void choose_save_config(AppState& state, const StartupWindows& windows, fs::FileSystem& fs) {
    const ListChoice choice = choose_project_list(fs, state.folders(), state.machine_id, [] {
        return show_message("本机存档配置文件未指定，是否自动生成配置？\r\n\r\n选 [否] 手动选择配置文件",
                            mb::kYesNo | mb::kIconQuestion) == mb::kIdYes;
    });
    state.save_config_path = choice.list;
    state.config_unchosen = choice.unchosen;
    if (choice.unchosen)
        windows.open_config_window();
    else
        windows.open_main_window();
}

// Restores and undos ended by force are carried through, each only within its project's current
// save folders; a project folder of no project in the list has none, so its journal waits.
void recover_forced_ends(const AppState& state, fs::FileSystem& fs) {
    const ToolFolders tool = state.folders();
    const std::vector<std::string> projects = load_project_names(fs, state.save_config_path);
    const ProjectFiles list{fs, state.save_config_path, tool.backup_root()};
    auto save_paths_of = [&](const std::string& project) -> std::vector<std::string> {
        if (!contains_project(projects, project)) return {};
        return load_project(list, project, tool, system_folders()).save_paths;
    };
    // What a write of a list or a setting ended by force left beside it.
    fs::remove_temporaries(fs, tool.config_dir());
    if (!state.save_config_path.empty()) fs::remove_temporaries(fs, fs::parent_path(state.save_config_path));
    const auto reports = backup::recover_all_projects(fs, state.backup_root(), save_paths_of);
    // A 全部恢复 cut short is told as a whole, the restore it was in the middle of with it.
    std::string told = interrupted_restore_all_text(fs, tool.config_dir(), save_paths_of);
    if (!reports.empty()) told += (told.empty() ? "" : "\r\n\r\n") + backup::startup_recovery_text(reports);
    if (!told.empty()) show_message(told, mb::kIconExclamation);
}

bool run_startup(AppState& state, const StartupWindows& windows, fs::FileSystem& fs) {
    if (!acquire_single_instance()) {
        show_message("本程序已经在运行！", mb::kIconHand, "错误");
        return false;
    }
    state.machine_id = make_machine_id(first_adapter_address(), os_build_number());
    use_path_fixes(read_path_fixes(fs, state.folders(), state.machine_id));
    if (needs_legacy_migration(fs, state.folders())) {
        std::string message = migrate_legacy_layout(fs, state.folders(), state.machine_id);
        show_message(message, migration_failed(message) ? mb::kIconExclamation : mb::kOk);
    }
    // A first run in an empty folder needs both folders, or nothing it is told could be saved.
    fs::make_dirs(fs, state.config_dir());
    fs::make_dirs(fs, state.backup_root());
    choose_save_config(state, windows, fs);
    recover_forced_ends(state, fs);
    return true;
}

