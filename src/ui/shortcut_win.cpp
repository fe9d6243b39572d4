#include "ui/shortcut_win.h"

#include <windows.h>

#include "fs/file_names.h"
#include "fs/shell_link.h"
#include "paths/files.h"
#include "paths/folders_win.h"
#include "paths/gbk_text.h"
#include "ui/prompt.h"

namespace {

constexpr int kDesktopItem = 3;  // 系统桌面, CSIDL 16

// Without a desktop the link would land in the current directory under a bare name.
bool have_desktop(const std::string& desktop_dir) {
    if (desktop_dir.empty()) show_message("找不到桌面文件夹，未能创建快捷方式。", mb::kOk | mb::kIconExclamation);
    return !desktop_dir.empty();
}

std::string user_desktop() { return special_directory_path(kDesktopItem, system_folders()); }

}  // namespace

void create_desktop_shortcut(const std::string& desktop_dir, const std::string& exe_path,
                             const std::string& working_dir) {
    if (!have_desktop(desktop_dir)) return;
    const std::string link = fs::path_of(desktop_dir + "Varnoke.lnk");
    if (fs::save_shell_link(link, {exe_path, working_dir}, SW_SHOW)) show_message("创建成功！");
}

// Project names are plain folder names, which hold no quotes: quoting them keeps blanks in.
void create_play_shortcut(const std::string& desktop_dir, const ShortcutTarget& tool, const std::string& project,
                          const std::string& program_file) {
    if (!have_desktop(desktop_dir)) return;
    const fs::ShellLink link{tool.exe_path, tool.working_dir, "/play \"" + project + "\"", program_file};
    if (fs::save_shell_link(fs::path_of(desktop_dir + project + "（启动并备份）.lnk"), link, SW_SHOWNORMAL))
        show_message("创建成功！");
    else
        show_message("未能创建快捷方式。", mb::kOk | mb::kIconExclamation);
}

ShortcutTarget running_tool(const std::string& tool_dir) {
    const std::string dir = tool_dir.empty() ? files::executable_dir() : tool_dir;
    return {dir + "\\" + gbk::after_last_backslash(files::executable_path()), dir};
}

void create_desktop_shortcut(const std::string& tool_dir) {
    const ShortcutTarget tool = running_tool(tool_dir);
    create_desktop_shortcut(user_desktop(), tool.exe_path, tool.working_dir);
}

void create_play_shortcut(const std::string& tool_dir, const std::string& project, const std::string& program_file) {
    create_play_shortcut(user_desktop(), running_tool(tool_dir), project, program_file);
}
