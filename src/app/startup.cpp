#include "app/startup.h"

#include <windows.h>
#include <iphlpapi.h>
#include <shellapi.h>

#include <cstdio>
#include <vector>

#include "backup/backup_system_win.h"
#include "backup/outcome_text.h"
#include "config/ini.h"
#include "paths/files.h"
#include "ui/prompt.h"

namespace {

HANDLE g_instance_event = nullptr;  // held for the life of the process; only its existence matters

std::string double_zero(const std::string& path) { return path + std::string(1, '\0'); }

}  // namespace

bool WinStartupFiles::exists(const std::string& path) { return files::exists(path); }
bool WinStartupFiles::is_file(const std::string& path) { return files::is_file(path); }
void WinStartupFiles::create_directory(const std::string& path) { files::create_directory(path); }
bool WinStartupFiles::delete_file(const std::string& path) { return files::delete_file(path); }

std::string WinStartupFiles::read_ini_value(const std::string& file, const std::string& section,
                                            const std::string& key) {
    return ::read_ini_value(file, section, key);
}

bool WinStartupFiles::write_ini_value(const std::string& file, const std::string& section, const std::string& key,
                                      const std::string& value) {
    return ::write_ini_value(file, section, key, value);
}

std::vector<std::string> WinStartupFiles::ini_section_names(const std::string& file) {
    return read_ini_section_names(file);
}

bool WinStartupFiles::move_folder_into(const std::string& folder, const std::string& target_dir) {
    std::string from = double_zero(folder), to = double_zero(target_dir);
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_MOVE;
    op.pFrom = from.c_str();
    op.pTo = to.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI | FOF_SILENT;
    return SHFileOperationA(&op) == 0 && !op.fAnyOperationsAborted;
}

bool WinStartupFiles::move_file(const std::string& from, const std::string& to) {
    return MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

bool WinStartupFiles::copy_file(const std::string& from, const std::string& to) {
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

void choose_save_config(AppState& state, const StartupWindows& windows, StartupFiles& files) {
    const ListChoice choice = choose_project_list(files, state.folders(), state.machine_id, [] {
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

bool run_startup(AppState& state, const StartupWindows& windows, StartupFiles& files) {
    if (!acquire_single_instance()) {
        show_message("本程序已经在运行！", mb::kIconHand, "错误");
        return false;
    }
    state.machine_id = make_machine_id(first_adapter_address(), os_build_number());
    if (needs_legacy_migration(files, state.folders())) {
        std::string message = migrate_legacy_layout(files, state.folders(), state.machine_id);
        show_message(message, migration_failed(message) ? mb::kIconExclamation : mb::kOk);
    }
    // A first run in an empty folder needs both folders, or nothing it is told could be saved.
    files.create_directory(state.config_dir());
    files.create_directory(state.backup_root());
    std::vector<std::string> taken_back = clean_up_after_forced_ends(state.backup_root());
    if (!taken_back.empty()) show_message(interrupted_restore_text(taken_back), mb::kIconExclamation);
    choose_save_config(state, windows, files);
    return true;
}

