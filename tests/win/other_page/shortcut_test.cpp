// The desktop shortcut, read back through the shell's own link object.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <string>

#include "app/app_state.h"
#include "paths/files.h"
#include "fs/shell_link.h"
#include "support/scripted_prompt.h"
#include "ui/shortcut_win.h"
#include "win/support/win_test.h"

namespace {

// The header's show command as saved (offset 0x3C); readers map values they do not list, such
// as SW_SHOW, to a normal window.
int stored_show_command(const std::string& path) {
    const std::string raw = wintest::read_file(path);
    if (raw.size() < 0x40) return -1;
    int value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(raw[0x3C + i]);
    return value;
}

int files_in(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++n;
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return n;
}

class ShortcutTest : public ::testing::Test {
   protected:
    ScriptedPrompt prompt;
    wintest::TempDir desktop{"桌面"};
    void SetUp() override { prompt.install(); }
    void TearDown() override { set_prompt(nullptr); }
};

TEST_F(ShortcutTest, PressingTwiceOverwritesTheOneShortcut) {
    const std::string exe = files::executable_path();
    create_desktop_shortcut(desktop.path() + "\\", exe, files::executable_dir());
    std::optional<fs::ShellLink> first = fs::read_shell_link(wintest::on_disk(desktop / "Varnoke.lnk"));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->target, exe);
    EXPECT_EQ(first->working_dir, files::executable_dir());
    EXPECT_EQ(stored_show_command(desktop / "Varnoke.lnk"), SW_SHOW);

    create_desktop_shortcut(desktop.path() + "\\", exe, desktop.path());
    std::optional<fs::ShellLink> second = fs::read_shell_link(wintest::on_disk(desktop / "Varnoke.lnk"));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->target, exe);
    EXPECT_EQ(second->working_dir, desktop.path());
    EXPECT_EQ(files_in(desktop.path()), 1);

    ASSERT_EQ(prompt.messages.size(), 2u);
    for (const auto& m : prompt.messages) {
        EXPECT_EQ(m.text, "创建成功！");
        EXPECT_EQ(m.title, "信息：");
        EXPECT_EQ(m.style, 0u);
    }
}

TEST_F(ShortcutTest, NoDesktopFolderIsReportedAndNothingWritten) {
    create_desktop_shortcut("", files::executable_path(), files::executable_dir());
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "找不到桌面文件夹，未能创建快捷方式。");
    EXPECT_EQ(files_in(desktop.path()), 0);
    EXPECT_FALSE(wintest::exists("Varnoke.lnk"));
}

// What /play needs: the tool, the project's name as one argument, the tool folder; the game's icon.
TEST_F(ShortcutTest, ThePlayShortcutStartsTheToolWithTheProjectAndShowsTheProgramsIcon) {
    const ShortcutTarget tool{files::executable_path(), files::executable_dir()};
    create_play_shortcut(desktop.path() + "\\", tool, "Half-Life 2", "D:\\hl2\\hl2.exe");
    std::optional<fs::ShellLink> link =
        fs::read_shell_link(wintest::on_disk(desktop / "Half-Life 2（启动并备份）.lnk"));
    ASSERT_TRUE(link);
    EXPECT_EQ(link->target, tool.exe_path);
    EXPECT_EQ(link->working_dir, tool.working_dir);
    EXPECT_EQ(link->arguments, "/play \"Half-Life 2\"");
    EXPECT_EQ(link->icon_file, "D:\\hl2\\hl2.exe");
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"创建成功！"});
    EXPECT_EQ(files_in(desktop.path()), 1);
}

// The real desktop is left alone: a link there would reach the host's home folder under Wine.
TEST_F(ShortcutTest, TargetIsTheRunningExecutableInTheToolFolder) {
    const std::string exe_name = files::executable_path().substr(files::executable_dir().size() + 1);
    ShortcutTarget tool = running_tool("D:\\淺\\工具");
    EXPECT_EQ(tool.exe_path, "D:\\淺\\工具\\" + exe_name);
    EXPECT_EQ(tool.working_dir, "D:\\淺\\工具");
    tool = running_tool("");
    EXPECT_EQ(tool.exe_path, files::executable_path());
    EXPECT_EQ(tool.working_dir, files::executable_dir());
}

}  // namespace
