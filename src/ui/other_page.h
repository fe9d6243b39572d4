#pragma once
// The helpers of the page "其他" (what a special-directory token or an environment variable stands
// for on this machine). They only fill or open.
#include <windows.h>

#include <optional>
#include <string>

// 特殊目录组合框: the eleven directories with item data 1 … 11, and its text "特定目录".
void fill_special_directory_combo(HWND combo);
// 环境变量组合框: "USERPROFILE", "ALLUSERSPROFILE", "APPDATA", and its text "环境变量".
void fill_environment_combo(HWND combo);

// Item data of the selected item; −1 when nothing is selected.
int selected_item_data(HWND combo);
// Folder of a special directory's item data, ending in exactly one "\"; "" for any other number
// or when the lookup fails. For 特定目录编辑框.
std::string special_directory_folder(int item_data);
// Value of the environment variable named by the combo text; "" when unset or no name. For
// 环境变量编辑框, on selection and on typing alike.
std::string environment_value(const std::string& name);

// 按钮1 and 环境变量按钮: the text as it is, also when empty; a failure is not reported.
void open_in_shell(const std::string& text);
// 系统目录说明按钮: how to write the tokens.
void show_system_directory_help();

