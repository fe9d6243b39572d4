// Backup-folder decoration and the process test on the real machine.
#include <gtest/gtest.h>

#include "backup/decorate.h"
#include "backup/processes.h"
#include "paths/files.h"
#include "paths/gbk_text.h"
#include "win/support/win_test.h"

namespace {

std::string varnoke_exe() { return files::executable_dir() + "\\Varnoke.exe"; }

class Decorate : public ::testing::Test {
   protected:
    wintest::TempDir dir{"decorate"};
    std::string folder = dir / "模擬市民3\\";
};

TEST_F(Decorate, AFirstSelectionMakesTheFolderWithDesktopIniAndIcon) {
    backup::decorate_backup_folder(wintest::disk(), varnoke_exe(), wintest::on_disk(folder));
    EXPECT_EQ(wintest::read_file(folder + "\\Desktop.ini"),
              "[.ShellClassInfo]\r\nConfirmFileOp=0\r\nIconFile=image.ico\r\nIconIndex=0\r\n"
              "InfoTip=存档文件夹 by Varnoke\r\n");
    EXPECT_EQ(GetFileAttributesA(folder.c_str()) & ~FILE_ATTRIBUTE_DIRECTORY, DWORD{FILE_ATTRIBUTE_SYSTEM});
    EXPECT_EQ(GetFileAttributesA((folder + "Desktop.ini").c_str()) & FILE_ATTRIBUTE_SYSTEM, 0u);

    std::string ico = wintest::read_file(folder + "image.ico");
    ASSERT_GE(ico.size(), 6u + 16u);
    EXPECT_EQ(ico.substr(0, 4), std::string("\0\0\1\0", 4));
    EXPECT_EQ(static_cast<unsigned char>(ico[4]), 4);  // the program's icon has four sizes
    HICON icon = ExtractIconA(GetModuleHandleA(nullptr), (folder + "image.ico").c_str(), 0);
    ASSERT_NE(icon, nullptr);
    EXPECT_NE(icon, reinterpret_cast<HICON>(1));
    DestroyIcon(icon);
}

TEST_F(Decorate, AnExistingFolderGetsTheIconButNoDesktopIni) {
    CreateDirectoryA(folder.c_str(), nullptr);
    backup::decorate_backup_folder(wintest::disk(), varnoke_exe(), wintest::on_disk(folder));
    EXPECT_FALSE(wintest::exists(folder + "Desktop.ini"));
    EXPECT_TRUE(wintest::is_file(folder + "image.ico"));
    EXPECT_EQ(GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_SYSTEM, 0u);
}

TEST_F(Decorate, AMissingProgramLeavesNothing) {
    backup::decorate_backup_folder(wintest::disk(), dir / "no\\such.exe", wintest::on_disk(folder));
    backup::decorate_backup_folder(wintest::disk(), "", wintest::on_disk(folder));
    EXPECT_FALSE(wintest::exists(folder));
}

TEST_F(Decorate, AProgramWithoutIconsOrNoProgramAtAllGivesNoIcon) {
    EXPECT_FALSE(backup::write_first_icon_group(wintest::disk(), files::executable_path(), wintest::on_disk(dir / "a.ico")));  // tests carry no icon
    wintest::write_file(dir / "fake.exe", "MZ not really a program");
    EXPECT_FALSE(backup::write_first_icon_group(wintest::disk(), dir / "fake.exe", wintest::on_disk(dir / "b.ico")));
    backup::decorate_backup_folder(wintest::disk(), dir / "fake.exe", wintest::on_disk(folder));
    EXPECT_TRUE(wintest::exists(folder + "Desktop.ini"));
    EXPECT_FALSE(wintest::exists(folder + "image.ico"));
}

TEST(Processes, FindsARunningProgramWhateverTheCaseOfItsName) {
    std::string self = gbk::after_last_backslash(files::executable_path());
    EXPECT_TRUE(backup::is_program_running(self));
    EXPECT_TRUE(backup::is_program_running(gbk::ascii_lower(self)));
    std::string upper = self;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(backup::is_program_running(upper));
    EXPECT_FALSE(backup::is_program_running("没有这个程序.exe"));
    EXPECT_FALSE(backup::is_program_running(""));
}

}  // namespace
