#include "app/startup.h"

#include <windows.h>
#include <iphlpapi.h>
#include <shellapi.h>

#include <cstdio>
#include <vector>

#include "app/project_loading.h"
#include "backup/restore.h"
#include "config/project_edit.h"
#include "config/project_list.h"
#include "paths/folders_win.h"
#include "backup/outcome_text.h"
#include "backup/zip/file_system.h"
#include "config/ini.h"
#include "config/machine_list.h"
#include "config/names.h"
#include "paths/files.h"
#include "ui/prompt.h"

namespace {

HANDLE g_instance_event = nullptr;  // held for the life of the process; only its existence matters

std::string double_zero(const std::string& path) { return path + std::string(1, '\0'); }

}  // namespace

bool LegacyFileOps::move_folder_into(const std::string& folder, const std::string& target_dir) {
    std::string from = double_zero(folder), to = double_zero(target_dir);
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_MOVE;
    op.pFrom = from.c_str();
    op.pTo = to.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI | FOF_SILENT;
    return SHFileOperationA(&op) == 0 && !op.fAnyOperationsAborted;
}

bool LegacyFileOps::move_file(const std::string& from, const std::string& to) {
    zip::FileSystem& fs = zip::platform_file_system();
    return fs.rename(fs.from_ansi(from), fs.from_ansi(to));
}

bool LegacyFileOps::copy_file(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

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

std::string make_machine_id(const std::string& adapter_address, unsigned build_number) {
    std::string id;
    for (char c : adapter_address)
        if (c != '-') id += c;
    return id + std::to_string(build_number);
}

bool needs_legacy_migration(const std::string& tool_dir) {
    const ToolFolders folders{tool_dir};
    return files::exists(tool_dir + "\\" + names::kLegacyConfigFile) && !files::exists(folders.config_dir()) &&
           !files::exists(folders.backup_root());
}

std::string migrate_legacy_layout(const AppState& state, LegacyFileOps& ops) {
    const std::string old_file = state.tool_dir + "\\" + names::kLegacyConfigFile;
    const std::string new_file = state.config_dir() + "\\" + names::kLegacyConfigFile;
    files::create_directory(state.config_dir());
    files::create_directory(state.backup_root());

    std::string failures;
    for (const std::string& project : read_ini_section_names(old_file)) {
        std::string folder = state.tool_dir + "\\" + project;
        if (!files::exists(folder)) continue;
        if (!ops.move_folder_into(folder, state.backup_root()))
            failures += "未能移动备份文件夹：" + folder + "\r\n";
    }
    bool list_moved = ops.move_file(old_file, new_file) || ops.copy_file(old_file, new_file);
    // The old project list goes only once its copy stands in the new place.
    std::string list_in_use = old_file;
    if (list_moved && files::is_file(new_file)) {
        files::delete_file(old_file);
        list_in_use = new_file;
    } else {
        failures += "未能迁移配置文件：" + old_file + "（仍在原处使用）\r\n";
    }
    write_machine_list(state.folders(), state.machine_id, list_in_use);
    if (failures.empty()) return "系统检测你的上一版本低于0.99。\r\n已自动完成版本升级后的文件迁移。";
    return "系统检测你的上一版本低于0.99。\r\n文件迁移未能全部完成：\r\n" + failures;
}

void choose_save_config(AppState& state, const StartupWindows& windows) {
    std::string chosen = read_machine_list(state.folders(), state.machine_id);
    if (!chosen.empty()) {
        state.save_config_path = chosen;
        windows.open_main_window();
        return;
    }
    int answer = show_message("本机存档配置文件未指定，是否自动生成配置？\r\n\r\n选 [否] 手动选择配置文件",
                              mb::kYesNo | mb::kIconQuestion);
    if (answer == mb::kIdYes) {
        std::string path = generated_list_path(state.folders(), state.machine_id);
        write_machine_list(state.folders(), state.machine_id, path);
        state.save_config_path = path;
        windows.open_main_window();
    } else {
        state.config_unchosen = true;
        windows.open_config_window();
    }
}

// Restores and undos ended by force are carried through, each only within its project's current
// save folders; a project folder of no project in the list has none, so its journal waits.
void recover_forced_ends(const AppState& state) {
    const ToolFolders tool = state.folders();
    const std::vector<std::string> projects =
        state.save_config_path.empty() ? std::vector<std::string>{} : load_project_names(state.save_config_path);
    auto save_paths_of = [&](const std::string& project) -> std::vector<std::string> {
        if (!contains_project(projects, project)) return {};
        return load_project(state.save_config_path, project, tool, system_folders()).save_paths;
    };
    const auto reports = recover_all_projects(zip::platform_file_system(), state.backup_root(), save_paths_of);
    if (!reports.empty()) show_message(startup_recovery_text(reports), mb::kIconExclamation);
}

bool run_startup(AppState& state, const StartupWindows& windows, LegacyFileOps& ops) {
    if (!acquire_single_instance()) {
        show_message("本程序已经在运行！", mb::kIconHand, "错误");
        return false;
    }
    state.machine_id = make_machine_id(first_adapter_address(), os_build_number());
    if (needs_legacy_migration(state.tool_dir)) {
        std::string message = migrate_legacy_layout(state, ops);
        show_message(message, message.find("未能") == std::string::npos ? mb::kOk : mb::kIconExclamation);
    }
    // A first run in an empty folder needs both folders, or nothing it is told could be saved.
    files::create_directory(state.config_dir());
    files::create_directory(state.backup_root());
    choose_save_config(state, windows);
    recover_forced_ends(state);
    return true;
}

