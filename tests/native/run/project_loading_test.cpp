// A project read from the list and expanded for this machine, and the state a backup works on.
#include <gtest/gtest.h>

#include "run/project_loading.h"
#include "fs/memory_file_system.h"

namespace {

class FakeFolders : public Folders {
   public:
    std::string environment_variable(const std::string& name) const override {
        return name == "GAMES" ? "E:\\游戏" : "";
    }
    std::string special_folder(int) const override { return "C:\\Users\\me\\Documents"; }
    std::string windows_dir() const override { return "C:\\Windows"; }
    std::string system_dir() const override { return "C:\\Windows\\system32"; }
    std::string temp_dir() const override { return "C:\\Temp"; }
};

TEST(ProjectLoading, ReadsExpandsAndSplitsAndTheStateLooksForTheProgramGiven) {
    fs::MemoryFileSystem fs;
    fs.add_file("list.ini", "[游戏]\r\n程序路径=%GAMES%\\game.exe\r\n存档路径=<程序所在目录>\\save|D:\\two\r\n"
                            "退出后备份=1\r\n保留份数=3\r\n");
    FakeFolders folders;
    const CurrentProject p = load_project(ProjectFiles{fs, "list.ini", "F:/工具/存档目录"}, "游戏",
                                          ToolFolders{"F:/工具"}, folders);
    EXPECT_EQ(p.program_path, "%GAMES%\\game.exe");
    EXPECT_EQ(p.program_file, "E:\\游戏\\game.exe");
    EXPECT_EQ(p.save_paths, (std::vector<std::string>{"E:/游戏/save", "D:/two"}));
    EXPECT_EQ(p.save_paths_text, "E:\\游戏\\save|D:\\two");
    EXPECT_EQ(p.backup_folder, "F:/工具/存档目录/游戏");
    EXPECT_EQ(p.options, (ProjectOptions{true, 3}));
    EXPECT_EQ(p.excluded_folders, (std::vector<std::string>{"F:/工具/存档目录", "F:/工具/配置目录"}));

    const backup::ProjectState stored = project_state(p, p.program_path, folders);
    EXPECT_EQ(stored.name, "游戏");
    EXPECT_EQ(stored.program_file, "E:\\游戏\\game.exe");
    EXPECT_EQ(stored.save_paths, p.save_paths);
    EXPECT_EQ(stored.backup_folder, p.backup_folder);
    EXPECT_EQ(stored.excluded_folders, p.excluded_folders);
    // The main window's box may have been edited: its program is the one looked for.
    EXPECT_EQ(project_state(p, "%GAMES%\\other.exe", folders).program_file, "E:\\游戏\\other.exe");
}

}  // namespace
