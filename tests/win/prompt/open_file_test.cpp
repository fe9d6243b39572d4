// The real open-file dialog, answered as a user types a name: an archive deeper than 260
// characters comes back whole.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "fs/file_system.h"
#include "ui/prompt_win.h"
#include "win/support/win_test.h"

namespace {

// Types `path` into the dialog titled `title` of this process and presses 打开.
void answer_dialog(const std::string& title, const std::string& path) {
    HWND dialog = nullptr;
    wintest::wait_for([&] { return (dialog = FindWindowA("#32770", title.c_str())) != nullptr; }, 10000);
    if (!dialog) return;
    HWND name = GetDlgItem(dialog, 1148);
    HWND edit = FindWindowExA(name, nullptr, "Edit", nullptr);
    if (!edit) edit = FindWindowExA(FindWindowExA(name, nullptr, "ComboBox", nullptr), nullptr, "Edit", nullptr);
    SetWindowTextA(edit ? edit : name, path.c_str());
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

TEST(OpenFileDialog, AnArchiveDeeperThan260CharactersComesBackWhole) {
    wintest::TempDir dir{"对话框"};
    fs::FileSystem& fs = fs::platform_file_system();
    std::string deep = dir.path();
    bool created = false;
    while (deep.size() < 300) ASSERT_TRUE(fs.make_dir(fs::path_of(deep += "\\很深的备份文件夹"), &created));
    const std::string archive = deep + "\\2011年10月22日9时5分7秒.zip";
    ASSERT_TRUE(fs::write_file_atomically(fs, fs::path_of(archive), "PK"));

    const std::string title = "选择存档文件" + std::to_string(GetCurrentProcessId());
    std::thread user(answer_dialog, title, archive);
    WinPrompt prompt;
    const std::optional<std::string> chosen = prompt.open_file({title, "存档文件|*.zip", deep, "", ""});
    user.join();
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, archive);
}

}  // namespace
