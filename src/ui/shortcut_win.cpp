#include "ui/shortcut_win.h"

#include <windows.h>

#include "paths/files.h"
#include "paths/folders_win.h"
#include "paths/gbk_text.h"
#include "paths/shell_link.h"
#include "ui/prompt.h"

namespace {

constexpr int kDesktopItem = 3;  // 系统桌面, CSIDL 16

}  // namespace

void create_desktop_shortcut(const std::string& desktop_dir, const std::string& exe_path,
                             const std::string& working_dir) {
    // Without a desktop the link would land in the current directory under a bare name.
    if (desktop_dir.empty()) {
        show_message("找不到桌面文件夹，未能创建快捷方式。", mb::kOk | mb::kIconExclamation);
        return;
    }
    if (save_shell_link(desktop_dir + "Varnoke.lnk", {exe_path, working_dir}, SW_SHOW)) show_message("创建成功！");
}

ShortcutTarget running_tool(const std::string& tool_dir) {
    const std::string dir = tool_dir.empty() ? files::executable_dir() : tool_dir;
    return {dir + "\\" + gbk::after_last_backslash(files::executable_path()), dir};
}

void create_desktop_shortcut(const std::string& tool_dir) {
    const ShortcutTarget tool = running_tool(tool_dir);
    create_desktop_shortcut(special_directory_path(kDesktopItem, system_folders()), tool.exe_path,
                            tool.working_dir);
}
