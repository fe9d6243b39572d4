// Backup, restore and decoration pressed through the real main window on real folders.
#include "backup_fixture.h"
#include "fs/wide_text.h"
#include "zip_support/extract_into.h"

#include <shlobj.h>

namespace app_test {
namespace {

TEST_F(BackupRestore, BacksUpThreeFoldersWithNumberedArchives) {
    add_project("游戏", saves / "一" + "|" + saves / "二" + "|" + saves / "三", varnoke_exe());
    open_and_select("游戏");
    // While the operation runs (its message boxes included) nothing can start another one.
    bool locked = false;
    prompt.on_message = [&](const ShownMessage&) {
        locked = !window.is_enabled(M::kBackupButton) && !window.is_enabled(M::kRestoreButton) &&
                 !window.is_enabled(M::kConfigButton) && !window.is_enabled(M::kProjectCombo);
        SendMessageA(window.hwnd(), WM_CLOSE, 0, 0);  // and the window does not go away under it
    };
    press(M::kBackupButton);
    EXPECT_TRUE(locked);
    EXPECT_NE(window.hwnd(), nullptr);

    EXPECT_EQ(unpacked(archive("游戏", 1), "存档1.sav"), "first save");
    EXPECT_EQ(unpacked(archive("游戏", 2), "子目录\\深.dat"), std::string(200000, 'x'));
    EXPECT_EQ(unpacked(archive("游戏", 3), "3.sav"), "third");
    EXPECT_EQ(window.text(M::kProgressCountLabel), "3/3");
    EXPECT_EQ(window.text(M::kProgressTextLabel), archive("游戏") + " 备份完成");
    EXPECT_EQ(SendMessageA(window.item(M::kProgressBar), PBM_GETPOS, 0, 0), 100);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "备份完成，备份文件为： \r\n" + archive("游戏"));
    EXPECT_EQ(prompt.messages[0].title, "提示：");
    EXPECT_EQ(stamp("游戏"), "2011年10月22日9时5分");
    EXPECT_TRUE(window.is_enabled(M::kBackupButton));  // unlocked again afterwards
}

TEST_F(BackupRestore, KeepsEmptyFoldersAndTheFirstFolderAlone) {
    add_project("单个", saves / "空", "");
    wintest::make_dirs(saves / "空\\里面\\更深");
    open_and_select("单个");
    press(M::kBackupButton);
    EXPECT_EQ(window.text(M::kProgressCountLabel), "1/1");
    wintest::TempDir out("empty");
    ASSERT_TRUE(zip_test::extract_into(archive("单个"), out.path()).ok);
    EXPECT_TRUE(wintest::is_directory(out / "里面\\更深"));
}

TEST_F(BackupRestore, ARunningProgramRefusesBackupAndStillStamps) {
    // This test program itself is a running process.
    add_project("运行中", saves / "一", "C:\\anywhere\\" + gbk::after_last_backslash(files::executable_path()));
    open_and_select("运行中");
    press(M::kBackupButton);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text,
              "程序[" + gbk::after_last_backslash(files::executable_path()) + "]在运行，不能进行备份！");
    EXPECT_FALSE(wintest::exists(archive("运行中")));
    EXPECT_EQ(stamp("运行中"), "2011年10月22日9时5分");
}

// A list held open by another program cannot take 操作时间: the backup stands, the progress line says so.
TEST_F(BackupRestore, AStampThatCannotBeWrittenIsToldInTheProgressLine) {
    add_project("占用", saves / "一", "");
    open_and_select("占用");
    const std::string list = wintest::ansi(app().save_config_path);
    HANDLE held = CreateFileA(list.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    press(M::kBackupButton);
    CloseHandle(held);
    EXPECT_TRUE(wintest::exists(archive("占用")));
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"备份完成，备份文件为： \r\n" + archive("占用")});
    EXPECT_EQ(window.text(M::kProgressTextLabel), "占用：操作时间未能写入项目列表");
    EXPECT_EQ(stamp("占用"), "");
}

TEST_F(BackupRestore, AMissingMiddleFolderIsReportedAndTheOthersBackedUp) {
    add_project("缺中间", saves / "一" + "|" + saves / "没有" + "|" + saves / "三", "");
    open_and_select("缺中间");
    press(M::kBackupButton);
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{"存档 " + saves / "没有" + " 不存在",
                                                        "备份完成，备份文件为： \r\n" + archive("缺中间")}));
    EXPECT_TRUE(wintest::is_file(archive("缺中间", 3)));
    EXPECT_FALSE(wintest::exists(archive("缺中间", 2)));
}

TEST_F(BackupRestore, RestoreWithYesOverwritesAndKeepsOtherFiles) {
    add_project("恢复", saves / "一" + "|" + saves / "二" + "|" + saves / "三", "");
    open_and_select("恢复");
    press(M::kBackupButton);
    write_file(saves / "一\\存档1.sav", "changed since");
    write_file(saves / "一\\新的.sav", "not in the archive");
    write_file(saves / "三\\3.sav", "changed too");
    prompt.messages.clear();
    prompt.open_answers = {archive("恢复")};
    prompt.answers = {mb::kIdYes};
    press(M::kRestoreButton);

    ASSERT_EQ(prompt.open_requests.size(), 1u);
    EXPECT_EQ(prompt.open_requests[0].title, "选择备份文件：");
    EXPECT_EQ(prompt.open_requests[0].filter, "ZIP压缩文件(*.zip)|*.zip");
    EXPECT_EQ(prompt.open_requests[0].default_ext, "zip");
    EXPECT_EQ(prompt.open_requests[0].initial_dir, backup_folder("恢复"));
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{"存档已存在是否覆盖？",
                                                        "恢复完成，恢复文件为：\r\n" + archive("恢复")}));
    EXPECT_EQ(prompt.messages[1].title, "提示");
    EXPECT_EQ(read_file(saves / "一\\存档1.sav"), "first save");
    EXPECT_EQ(read_file(saves / "一\\新的.sav"), "not in the archive");
    EXPECT_EQ(read_file(saves / "三\\3.sav"), "third");  // from the .zip3 companion
    EXPECT_EQ(window.text(M::kProgressCountLabel), "3/3");
    EXPECT_EQ(window.text(M::kProgressTextLabel), "恢复完成，原存档已保存到 恢复前");

    // The dialog remembers its last file.
    prompt.open_answers = {std::nullopt};
    press(M::kRestoreButton);
    EXPECT_EQ(prompt.open_requests[1].initial_file, time_name + ".zip");
}

TEST_F(BackupRestore, RestoreWithNoExtractsNothingButStamps) {
    add_project("取消", saves / "一", "");
    open_and_select("取消");
    press(M::kBackupButton);
    write_file(saves / "一\\存档1.sav", "keep me");
    set_clock_for_tests([] { return DateTime{2012, 1, 2, 3, 4, 5}; });
    prompt.messages.clear();
    prompt.open_answers = {archive("取消")};
    prompt.answers = {mb::kIdNo};
    press(M::kRestoreButton);
    EXPECT_EQ(prompt.texts().back(), "存档恢复被取消");
    EXPECT_EQ(read_file(saves / "一\\存档1.sav"), "keep me");
    EXPECT_EQ(stamp("取消"), "2012年1月2日3时4分5秒");
}

TEST_F(BackupRestore, RestoreIntoAMissingFirstFolderCreatesItWithoutAsking) {
    add_project("新机器", saves / "一", "");
    open_and_select("新机器");
    press(M::kBackupButton);
    wintest::remove_tree(saves / "一");
    prompt.messages.clear();
    prompt.open_answers = {archive("新机器")};
    press(M::kRestoreButton);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"恢复完成，恢复文件为：\r\n" + archive("新机器")});
    EXPECT_EQ(read_file(saves / "一\\存档1.sav"), "first save");
}

TEST_F(BackupRestore, ACorruptArchiveIsReportedAndTheSaveUntouched) {
    add_project("损坏", saves / "一", "");
    open_and_select("损坏");
    press(M::kBackupButton);
    std::string bytes = read_file(archive("损坏"));
    ASSERT_GT(bytes.size(), 60u);
    bytes[40] ^= 0x55;  // inside the first entry's data
    write_file(archive("损坏"), bytes);
    write_file(saves / "一\\存档1.sav", "the save that is there");
    prompt.messages.clear();
    prompt.open_answers = {archive("损坏")};
    prompt.answers = {mb::kIdYes};
    press(M::kRestoreButton);
    ASSERT_EQ(prompt.messages.size(), 2u);
    EXPECT_EQ(prompt.messages[1].text.rfind("恢复失败：" + archive("损坏") + "\r\n", 0), 0u) << prompt.messages[1].text;
    EXPECT_EQ(read_file(saves / "一\\存档1.sav"), "the save that is there");
}

TEST_F(BackupRestore, AMissingCompanionIsReported) {
    add_project("缺伴", saves / "一" + "|" + saves / "二", "");
    open_and_select("缺伴");
    press(M::kBackupButton);
    wintest::delete_file(archive("缺伴", 2));
    prompt.messages.clear();
    prompt.open_answers = {archive("缺伴")};
    prompt.answers = {mb::kIdYes};
    press(M::kRestoreButton);
    EXPECT_EQ(prompt.texts()[1], "恢复失败：" + archive("缺伴", 2) + "\r\n备份文件不存在。");
}

TEST_F(BackupRestore, FirstSelectionDecoratesTheBackupFolderOnce) {
    add_project("装饰", saves / "一", varnoke_exe());
    open_and_select("装饰");
    const std::string folder = backup_folder("装饰");
    EXPECT_EQ(GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_SYSTEM, DWORD{FILE_ATTRIBUTE_SYSTEM});
    EXPECT_NE(read_file(folder + "\\Desktop.ini").find("IconFile=image.ico"), std::string::npos);
    ASSERT_TRUE(wintest::is_file(folder + "\\image.ico"));
    EXPECT_NE(SendMessageA(window.item(M::kProgramIcon), STM_GETICON, 0, 0), 0);

    // Once image.ico exists a selection writes nothing.
    HANDLE h = CreateFileA((folder + "\\image.ico").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME old_time{0x10000000, 0x01B00000};
    SetFileTime(h, nullptr, nullptr, &old_time);
    CloseHandle(h);
    wintest::delete_file(folder + "\\Desktop.ini");
    wintest::select_combo_item(window.item(M::kProjectCombo), 0);
    WIN32_FILE_ATTRIBUTE_DATA data;
    GetFileAttributesExA((folder + "\\image.ico").c_str(), GetFileExInfoStandard, &data);
    EXPECT_EQ(data.ftLastWriteTime.dwHighDateTime, old_time.dwHighDateTime);
    EXPECT_FALSE(wintest::exists(folder + "\\Desktop.ini"));
}

TEST_F(BackupRestore, AProjectWithoutIconShowsNone) {
    add_project("有图标", saves / "一", varnoke_exe());
    add_project("无图标", saves / "三", saves / "三\\3.sav");
    open_and_select("有图标");
    ASSERT_NE(SendMessageA(window.item(M::kProgramIcon), STM_GETICON, 0, 0), 0);
    HWND combo = window.item(M::kProjectCombo);
    wintest::select_combo_item(combo, static_cast<int>(SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                                     reinterpret_cast<LPARAM>("无图标"))));
    EXPECT_EQ(SendMessageA(window.item(M::kProgramIcon), STM_GETICON, 0, 0), 0);
}

TEST_F(BackupRestore, ABrokenIconFileIsNeverHandedToTheIconReader) {
    add_project("坏图标", saves / "一", "");
    wintest::make_dirs(backup_folder("坏图标"));
    write_file(backup_folder("坏图标") + "\\image.ico", std::string("\0\0\1\0\x50\0garbage", 12));
    open_and_select("坏图标");  // would crash Wine's reader
    EXPECT_EQ(SendMessageA(window.item(M::kProgramIcon), STM_GETICON, 0, 0), 0);
}

}  // namespace

namespace {

std::string app_data_folder() {
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, CSIDL_APPDATA, FALSE);
    return path;
}

std::vector<std::string> names_in(const std::string& archive_path) {
    std::vector<std::string> names;
    wintest::TempDir out("names");
    if (!zip_test::extract_into(archive_path, out.path()).ok) return names;
    for (const char* rel : {"own.sav", "外部", "外部\\linked.sav", "回环"})
        if (wintest::exists(out / rel)) names.push_back(rel);
    return names;
}

TEST_F(BackupRestore, AProgramPathWithTokensIsStartedShownDecoratedAndLookedFor) {
    const std::string folder = app_data_folder() + "\\VarnokeTest" + std::to_string(GetCurrentProcessId());
    wintest::make_dirs(folder);
    ASSERT_TRUE(CopyFileA(varnoke_exe().c_str(), (folder + "\\game.exe").c_str(), FALSE));
    const std::string stored = "<程序数据目录>\\VarnokeTest" + std::to_string(GetCurrentProcessId()) + "\\game.exe";
    add_project("令牌", saves / "一", stored);
    // A program named by a variable is found among the running processes: this test is one.
    SetEnvironmentVariableA("VARNOKE_SELF", files::executable_path().c_str());
    add_project("变量", saves / "一", "%VARNOKE_SELF%");
    open_and_select("令牌");
    EXPECT_EQ(window.text(M::kProgramPathEdit), stored);  // the box shows what is stored
    EXPECT_TRUE(wintest::is_file(backup_folder("令牌") + "\\image.ico"));
    EXPECT_NE(SendMessageA(window.item(M::kProgramIcon), STM_GETICON, 0, 0), 0);
    wintest::click(window.item(M::kStartButton));
    ASSERT_EQ(prompt.opened.size(), 1u);
    EXPECT_TRUE(wintest::is_file(prompt.opened[0])) << prompt.opened[0];
    wintest::click(window.item(M::kProgramPathButton));
    EXPECT_EQ(wintest::attributes(prompt.opened[1]).value_or(0) & FILE_ATTRIBUTE_DIRECTORY, DWORD{FILE_ATTRIBUTE_DIRECTORY});
    wintest::remove_tree(folder);

    HWND combo = window.item(M::kProjectCombo);
    wintest::select_combo_item(combo, static_cast<int>(SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                                    reinterpret_cast<LPARAM>("变量"))));
    press(M::kBackupButton);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"程序[" + gbk::after_last_backslash(files::executable_path()) +
                                                       "]在运行，不能进行备份！"});
}

TEST_F(BackupRestore, AnIconGroupItCannotReadCountsAsNoIcon) {
    add_project("怪图标", saves / "一", files::executable_dir() + "\\hash_icon.exe");
    open_and_select("怪图标");  // ended the program once
    EXPECT_EQ(SendMessageA(window.item(M::kProgramIcon), STM_GETICON, 0, 0), 0);
    EXPECT_TRUE(wintest::is_file(backup_folder("怪图标") + "\\Desktop.ini"));
}

TEST_F(BackupRestore, LinkedFoldersAreBackedUpOnceAndACycleIsReported) {
    wintest::make_dirs(saves / "链接");
    wintest::make_dirs(saves / "别处");
    write_file(saves / "链接\\own.sav", "own");
    write_file(saves / "别处\\linked.sav", "on another drive");
    ASSERT_TRUE(wintest::make_folder_link(saves / "链接\\外部", saves / "别处"));
    ASSERT_TRUE(wintest::make_folder_link(saves / "链接\\回环", saves / "链接"));
    add_project("链接", saves / "链接", "");
    open_and_select("链接");
    press(M::kBackupButton);
    EXPECT_EQ(names_in(archive("链接")), (std::vector<std::string>{"own.sav", "外部", "外部\\linked.sav"}));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_NE(prompt.messages[0].text.find("回环"), std::string::npos) << prompt.messages[0].text;
    EXPECT_NE(prompt.messages[0].text.find(archive("链接")), std::string::npos);
}

TEST_F(BackupRestore, ASaveFolderDeeperThan260CharactersIsBackedUpAndAskedAbout) {
    std::string deep = saves.path();
    while (deep.size() < 300) {
        deep += "\\很长的存档文件夹名称";
        ASSERT_TRUE(wintest::create_directory(deep)) << deep.size();
    }
    ASSERT_TRUE(wintest::write_bytes(deep + "\\深.sav", "deep save"));
    add_project("深处", deep, "");
    open_and_select("深处");
    press(M::kBackupButton);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"备份完成，备份文件为： \r\n" + archive("深处")});
    EXPECT_EQ(unpacked(archive("深处"), "深.sav"), "deep save");

    wintest::write_bytes(deep + "\\深.sav", "changed");
    prompt.messages.clear();
    prompt.open_answers = {archive("深处")};
    prompt.answers = {mb::kIdYes};
    press(M::kRestoreButton);
    EXPECT_EQ(prompt.texts().front(), "存档已存在是否覆盖？");
    EXPECT_EQ(wintest::read_bytes(deep + "\\深.sav", 100).value_or(""), "deep save");
}

TEST_F(BackupRestore, WhatAKilledBackupLeftIsRemovedAtTheNextBackup) {
    add_project("残留", saves / "一", "");
    wintest::make_dirs(backup_folder("残留"));
    write_file(backup_folder("残留") + "\\.vnk0123456789ab.tmp", std::string(1000, 'x'));
    write_file(backup_folder("残留") + "\\我的.tmp", "the user's own");
    open_and_select("残留");
    press(M::kBackupButton);
    EXPECT_FALSE(wintest::exists(backup_folder("残留") + "\\.vnk0123456789ab.tmp"));
    EXPECT_EQ(read_file(backup_folder("残留") + "\\我的.tmp"), "the user's own");
    EXPECT_TRUE(wintest::is_file(archive("残留")));
}

// Wine's shell loses its way in a tree deeper than MAX_PATH and deletes elsewhere (the current
// folder): such a tree is taken down through the program's own file system.
void erase_tree(const std::string& path) {
    std::vector<fs::DirEntry> entries;
    wintest::disk().list_dir(path, &entries);
    for (const fs::DirEntry& e : entries) {
        const std::string child = fs::join_path(path, e.name);
        if (e.is_dir)
            erase_tree(child);
        else
            wintest::disk().remove_file(child);
    }
    wintest::disk().remove_dir(path);
}

// The open-file dialog crashes on an initial folder longer than MAX_PATH: from a tool folder that
// deep it gets the backup folder's short form, and that names the same folder.
TEST_F(BackupRestore, ADeepToolFolderGivesTheRestoreDialogAFolderItCanTake) {
    const std::string level = "\\很深很深的工具文件夹，名字也很长";  // its short form is shorter
    struct ErasedAtEnd {
        std::string path;
        ~ErasedAtEnd() { erase_tree(path); }
    } deep_tree{wintest::on_disk(tool.path() + level)};
    std::string deep = tool.path();
    while (fs::to_wide(deep).size() < 256) ASSERT_TRUE(wintest::create_directory(deep += level));
    app().tool_dir = wintest::on_disk(deep);
    for (const std::string& d : {app().config_dir(), app().backup_root(), app().folders().backup_folder("深处")})
        ASSERT_TRUE(wintest::create_directory(wintest::ansi(d)));
    app().save_config_path = wintest::on_disk(wintest::ansi(app().config_dir()) + "\\存档配置文件.ini");
    add_project("深处", saves / "一", "");
    ASSERT_TRUE(wintest::write_bytes(backup_folder("深处") + "\\标记.txt", "here"));
    open_and_select("深处");
    press(M::kRestoreButton);
    ASSERT_EQ(prompt.open_requests.size(), 1u);
    const std::string dir = prompt.open_requests[0].initial_dir;
    EXPECT_LT(fs::to_wide(dir).size(), size_t{MAX_PATH}) << dir;
    EXPECT_EQ(wintest::read_bytes(dir + "\\标记.txt", 10).value_or(""), "here") << dir;
}

}  // namespace
}  // namespace app_test
