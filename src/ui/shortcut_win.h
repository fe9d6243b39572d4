#pragma once
// 建立快捷方式按钮: a shortcut "Varnoke" to the running tool on the user's desktop.
#include <string>

// What the shortcut starts: the running executable's file name in `tool_dir` (the executable's
// folder when it is empty), with `tool_dir` as working directory.
struct ShortcutTarget {
    std::string exe_path;
    std::string working_dir;
};
ShortcutTarget running_tool(const std::string& tool_dir);

// The desktop of this machine, the running executable, the tool folder as working directory.
void create_desktop_shortcut(const std::string& tool_dir);

// The same with the parts given: `desktop_dir` ends in "\" ("" when it could not be found).
// Reports "创建成功！" once the link is saved; other failures are silent, as the tool has always done.
void create_desktop_shortcut(const std::string& desktop_dir, const std::string& exe_path,
                             const std::string& working_dir);

// 启动并备份快捷方式: "<项目>（启动并备份）" on the desktop runs the tool with /play, which starts the
// project's program and backs the project up once it has ended. It shows the program's icon.
void create_play_shortcut(const std::string& tool_dir, const std::string& project, const std::string& program_file);

// The same with the parts given; `desktop_dir` ends in "\" ("" when it could not be found).
void create_play_shortcut(const std::string& desktop_dir, const ShortcutTarget& tool, const std::string& project,
                          const std::string& program_file);
