#pragma once
// The configuration window "配置"; it replaces the main window while it is open.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "config/tool_folders.h"
#include "fs/file_system.h"
#include "run/sync_service.h"

// Pages of the tab control, in order.
enum ConfigPage : int { kPageModify, kPageAdd, kPageDelete, kPageOther, kPageSettings, kPageAbout };

// What "配置" works on, given when it opens.
struct ConfigContext {
    fs::FileSystem* fs = nullptr;    // every file "配置" reads or writes
    ToolFolders folders;
    std::string machine_id;          // this machine's key in the system-configuration file
    std::string save_config_path;    // the project list in use; empty until one is chosen
    std::string dropped_file;        // a program or shortcut dropped on the main window: prefills "增加"
    std::optional<ConfigPage> page;  // the page to open on, after the prefill
    SyncSetup sync;                  // the server settings of page 设置, and 测试连接
};

struct ConfigEvents {
    std::function<void(const std::string& path)> list_chosen;  // this machine now uses that project list
    std::function<void()> closed;
};

// Opens "配置" modeless; nullptr when it could not be created.
HWND open_config_window(const ConfigContext& context, ConfigEvents events);

// Control ids of "配置"; the layout table in config_window.cpp names each control.
namespace cfg {
enum ControlId : int {
    kTabs = 100,
    kModifyNameLabel = 110,
    kModifySaveLabel,
    kModifyProgramLabel,
    kModifyCombo,
    kModifySaveEdit,
    kModifySaveButton,
    kModifyProgramEdit,
    kModifyProgramButton,
    kModifyButton,
    kModifyExitBackupCheck,
    kModifyKeepLabel,
    kModifyKeepEdit,
    kModifyPlayShortcutButton,
    kModifyFindButton,
    kModifyTimedLabel,
    kModifyTimedEdit,
    kModifyTimedUnitLabel,
    kModifyTimedKeepLabel,
    kModifyTimedKeepEdit,
    kAddNameLabel = 130,
    kAddSaveLabel,
    kAddProgramLabel,
    kAddNameEdit,
    kAddSaveEdit,
    kAddSaveButton,
    kAddProgramEdit,
    kAddProgramButton,
    kAddButton,
    kAddExitBackupCheck,
    kAddKeepLabel,
    kAddKeepEdit,
    kAddFindButton,
    kAddTimedLabel,
    kAddTimedEdit,
    kAddTimedUnitLabel,
    kAddTimedKeepLabel,
    kAddTimedKeepEdit,
    kDeleteNameLabel = 150,
    kDeleteSaveLabel,
    kDeleteProgramLabel,
    kDeleteCombo,
    kDeleteSaveEdit,
    kDeleteProgramEdit,
    kDeleteButton,
    kFolderHelpButton = 170,
    kShortcutButton,
    kFolderGroup,
    kSpecialFolderCombo,
    kSpecialFolderEdit,
    kSpecialFolderButton,
    kVariableCombo,
    kVariableEdit,
    kVariableButton,
    kTokenLabel,
    kSaveConfigLabel = 190,
    kSaveConfigEdit,
    kSaveConfigButton,
    kQuickBackupLabel,
    kQuickBackupHotKey,
    kQuickRestoreLabel,
    kQuickRestoreHotKey,
    kQuickKeyStatusLabel,
    kAboutEdit = 200,
    kEmailLabel,
    kSyncAddressLabel = 210,
    kSyncAddressEdit,
    kSyncUserLabel,
    kSyncUserEdit,
    kSyncPasswordLabel,
    kSyncPasswordEdit,
    kSyncTestButton,
    kSyncSaveButton,
    kSyncStatusLabel,
    kModifySyncCheck = 220,
    kAddSyncCheck,
    kModifyExclusionsButton = 240,
    kModifyExclusionsLabel,
    kAddExclusionsButton,
    kAddExclusionsLabel,
};
}  // namespace cfg

// The contact address of the page "关于".
inline constexpr const char* kContactAddress = "mail@varnoke.com";
