#include "ui/other_page.h"

#include "paths/expand.h"
#include "paths/files.h"
#include "paths/folders_win.h"
#include "ui/prompt.h"

namespace {

// clang-format off
constexpr const char* kHelpText =
    "1、特定目录\r\n"
    "  引用方法： <***>\r\n"
    "  实例：<我的文档>\\Electronic Arts\\模擬市民3\r\n"
    "  特定目录支持清单：<程序所在目录> <程序上级目录> <我的文档> <我的收藏夹> <系统桌面> <系统字体> "
    "<开始菜单组> <程序菜单组> <启动菜单组> <程序数据目录> <Windows安装目录> <Windows系统目录> <临时文件目录>\r\n"
    "\r\n"
    "2、环境变量\r\n"
    "  引用方法 %***%\r\n"
    "  实例：%USERPROFILE%\\My Documents\\Electronic Arts\\模擬市民3\r\n"
    "  在 我的电脑 上右击→属性→点高级选项卡中的环境变量按钮进入环境变量设置。";
// clang-format on

void add_item(HWND combo, const char* text, LPARAM data) {
    const LRESULT index = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), data);
}

}  // namespace

void fill_special_directory_combo(HWND combo) {
    for (int item = 1; item <= kSpecialDirectoryCount; ++item)
        add_item(combo, kSpecialDirectories[item - 1].name, item);
    SetWindowTextA(combo, "特定目录");
}

void fill_environment_combo(HWND combo) {
    for (const char* name : {"USERPROFILE", "ALLUSERSPROFILE", "APPDATA"}) add_item(combo, name, 0);
    SetWindowTextA(combo, "环境变量");
}

int selected_item_data(HWND combo) {
    const LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return -1;
    const LRESULT data = SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    return data == CB_ERR ? -1 : static_cast<int>(data);
}

std::string special_directory_folder(int item_data) {
    return special_directory_path(item_data, system_folders());
}

std::string environment_value(const std::string& name) {
    return files::environment_variable(name);
}

void open_in_shell(const std::string& text) {
    prompt().shell_open(text);
}

void show_system_directory_help() {
    show_message(kHelpText, mb::kOk, "系统目录使用说明");
}
