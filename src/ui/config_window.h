#pragma once
// The configuration window "配置"; it replaces the main window while it is open.
#include <windows.h>

bool open_config_window();

// The open "配置" window, or nullptr.
HWND config_window_handle();

// Pages of the tab control, in order.
enum ConfigPage : int { kPageModify, kPageAdd, kPageDelete, kPageOther, kPageSettings, kPageAbout };

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
    kAddNameLabel = 130,
    kAddSaveLabel,
    kAddProgramLabel,
    kAddNameEdit,
    kAddSaveEdit,
    kAddSaveButton,
    kAddProgramEdit,
    kAddProgramButton,
    kAddButton,
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
    kAboutEdit = 200,
    kEmailLabel,
};
}  // namespace cfg

// The contact address of the page "关于".
inline constexpr const char* kContactAddress = "mail@varnoke.com";
