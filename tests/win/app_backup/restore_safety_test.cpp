// A restore through the real main window can always be taken back: the safety copy, the undo in
// the system menu, a file held open, a full drive, and a restore ended by force.
#include "backup_fixture.h"

#include "app/startup.h"
#include "backup/restore.h"
#include "config/machine_list.h"

namespace app_test {
namespace {

class RestoreSafety : public BackupRestore {
   protected:
    std::vector<std::map<std::string, std::string>> folders() const {
        return {snapshot(saves / "一"), snapshot(saves / "二"), snapshot(saves / "三")};
    }
    void add_three(const std::string& name) {
        add_project(name, saves / "一" + "|" + saves / "二" + "|" + saves / "三", "");
    }
    // Backs the project up, then answers the restore dialog and question with that backup.
    void back_up_then_restore_later(const std::string& name, std::function<void()> between) {
        press(M::kBackupButton);
        between();
        prompt.messages.clear();
        prompt.open_answers = {archive(name)};
        prompt.answers = {mb::kIdYes};
        press(M::kRestoreButton);
    }
    std::string safety_folder(const std::string& name) const { return backup_folder(name) + "\\恢复前"; }
};

// Alt+Space opens the system menu; U picks its item by the underlined letter. All keys go in at
// once: the menu's own loop takes the U from the queue.
void keyboard_alt_space_u(HWND w) {
    SetForegroundWindow(w);
    SetFocus(w);
    const WORD vk[6] = {VK_MENU, VK_SPACE, VK_SPACE, VK_MENU, 'U', 'U'};
    INPUT keys[6] = {};
    for (int i = 0; i < 6; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = vk[i];
        keys[i].ki.dwFlags = (i == 2 || i == 3 || i == 5) ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(6, keys, sizeof(INPUT));
    for (int i = 0; i < 40; ++i) {
        wintest::pump_messages();
        Sleep(25);
    }
}

TEST_F(RestoreSafety, KeepsACopyAndTheSystemMenuUndoesItAlsoAfterARestart) {
    add_three("撤销");
    open_and_select("撤销");
    std::map<std::string, std::string> before_one;
    std::vector<std::map<std::string, std::string>> before;
    back_up_then_restore_later("撤销", [&] {
        write_file(saves / "一\\存档1.sav", "progress since the backup");
        write_file(saves / "一\\只在这里.sav", "not in the backup");
        wintest::delete_file(saves / "三\\3.sav");  // the restore brings it back: the undo takes it away
        before = folders();
    });
    ASSERT_EQ(prompt.texts(), (std::vector<std::string>{"存档已存在是否覆盖？", "恢复完成，恢复文件为：\r\n" + archive("撤销")}));
    EXPECT_EQ(read_file(saves / "一\\存档1.sav"), "first save");
    EXPECT_EQ(window.text(M::kProgressTextLabel), "恢复完成，原存档已保存到 恢复前");
    // The copy holds what the restore replaced, as it was; what it did not touch stays where it is.
    const std::string copy = safety_folder("撤销") + "\\" + time_name + ".zip";
    EXPECT_EQ(unpacked(copy, "存档1.sav"), "progress since the backup");
    EXPECT_EQ(unpacked(copy, "只在这里.sav"), "");
    EXPECT_EQ(unpacked(copy + "2", "子目录\\深.dat"), "");  // as in the backup: left in place, not copied
    EXPECT_EQ(read_file(saves / "一\\只在这里.sav"), "not in the backup");
    EXPECT_TRUE(wintest::is_file(copy + "3"));
    EXPECT_FALSE(has_temporaries(saves.path()));

    // Varnoke is closed and started again; the undo is still there.
    DestroyWindow(window.hwnd());
    M again;
    ASSERT_TRUE(again.create(main_context()));
    HWND combo = again.item(M::kProjectCombo);
    wintest::select_combo_item(combo, 0);
    EXPECT_EQ(GetMenuState(GetSystemMenu(again.hwnd(), FALSE), M::kUndoCommand, MF_BYCOMMAND) & MF_GRAYED, 0u);
    prompt.messages.clear();
    prompt.answers = {mb::kIdYes};
    keyboard_alt_space_u(again.hwnd());
    wait_until_told(again);
    ASSERT_EQ(prompt.texts(), (std::vector<std::string>{"是否撤销上次恢复？\r\n存档将回到上次恢复之前的样子。",
                                                        "撤销完成，存档已回到上次恢复之前的样子。"}));
    EXPECT_EQ(folders(), before);  // bytes, times and attributes
    EXPECT_FALSE(has_temporaries(saves.path()));
    EXPECT_EQ(stamp("撤销"), "2011年10月22日9时5分");
    EXPECT_NE(GetMenuState(GetSystemMenu(again.hwnd(), FALSE), M::kUndoCommand, MF_BYCOMMAND) & MF_GRAYED, 0u);
}

TEST_F(RestoreSafety, AThirdFileHeldOpenLeavesEveryFolderAsItWas) {
    add_three("占用");
    open_and_select("占用");
    std::vector<std::map<std::string, std::string>> before;
    HANDLE held = INVALID_HANDLE_VALUE;
    back_up_then_restore_later("占用", [&] {
        for (const char* f : {"一\\存档1.sav", "二\\子目录\\深.dat", "三\\3.sav"}) write_file(saves / f, "changed");
        before = folders();
        held = CreateFileA((saves / "三\\3.sav").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    });
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CloseHandle(held);
    ASSERT_EQ(prompt.messages.size(), 2u);
    const std::string& told = prompt.messages[1].text;
    EXPECT_NE(told.find(saves / "三\\3.sav"), std::string::npos) << told;  // one kind of separator
    EXPECT_NE(told.find("存档保持原样，没有任何改动。"), std::string::npos) << told;
    EXPECT_EQ(folders(), before);
    EXPECT_FALSE(has_temporaries(saves.path()));
}

// A small RAM drive, mounted from the Linux side; skipped where mounting is not allowed.
class RamDrive {
   public:
    explicit RamDrive(const std::string& folder) : folder_(folder) {
        wintest::make_dirs(folder);
        const std::string on = wintest::unix_path(folder);
        mounted_ = !on.empty() && wintest::run_linux({"mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", on}) &&
                   wintest::wait_for([this] { return size() > 0 && size() < (1 << 20); });
    }
    uint64_t size() const {
        ULARGE_INTEGER total{};
        GetDiskFreeSpaceExA((folder_ + "\\").c_str(), nullptr, &total, nullptr);
        return total.QuadPart;
    }
    ~RamDrive() {
        if (mounted_ && wintest::run_linux({"umount", "-l", wintest::unix_path(folder_)}))
            wintest::wait_for([this] { return size() >= (1 << 20); });
    }
    bool mounted() const { return mounted_; }

   private:
    std::string folder_;
    bool mounted_ = false;
};

TEST_F(RestoreSafety, AFullDriveLeavesTheSaveAsItWas) {
    RamDrive ram(saves / "内存盘");
    if (!ram.mounted()) GTEST_SKIP() << "no tmpfs here";
    wintest::make_dirs(saves / "内存盘\\存档");
    write_file(saves / "内存盘\\存档\\big.sav", std::string(100 * 1024, 'b'));
    add_project("满盘", saves / "一" + "|" + saves / "内存盘\\存档", "");
    open_and_select("满盘");
    std::vector<std::map<std::string, std::string>> before;
    back_up_then_restore_later("满盘", [&] {
        write_file(saves / "一\\存档1.sav", "changed in the first folder");
        write_file(saves / "内存盘\\存档\\big.sav", std::string(100 * 1024, 'c'));
        write_file(saves / "内存盘\\填满.bin", std::string(120 * 1024, 'f'));  // the copy no longer fits
        before = {snapshot(saves / "一"), snapshot(saves / "内存盘")};
    });
    ASSERT_EQ(prompt.messages.size(), 2u);
    EXPECT_NE(prompt.messages[1].text.find("存档保持原样"), std::string::npos) << prompt.messages[1].text;
    EXPECT_EQ((std::vector<std::map<std::string, std::string>>{snapshot(saves / "一"), snapshot(saves / "内存盘")}),
              before);
    EXPECT_FALSE(has_temporaries(saves.path()));
}

// Run as a child by the test below: a restore of the set the parent prepared, ended by force.
TEST(RestoreChild, RestoresTheSet) {
    const std::string backup = files::environment_variable("VARNOKE_RESTORE_BACKUP");
    if (backup.empty()) GTEST_SKIP() << "child only";
    std::vector<std::string> saves;
    for (const std::string& s : gbk::split(files::environment_variable("VARNOKE_RESTORE_SAVES")))
        saves.push_back(wintest::on_disk(s));
    backup::RestoreRequest request{wintest::on_disk(files::environment_variable("VARNOKE_RESTORE_ARCHIVE")), saves,
                           wintest::on_disk(backup)};
    backup::restore_with_safety_copy(fs::platform_file_system(), request, {});
}

TEST_F(RestoreSafety, ARestoreEndedByForceIsUndoneAtTheNextStart) {
    for (int i = 0; i < 1500; ++i) write_file(saves / ("一\\f" + std::to_string(i) + ".sav"), "old " + std::to_string(i));
    add_three("中断");
    open_and_select("中断");
    press(M::kBackupButton);
    for (int i = 0; i < 1500; ++i) write_file(saves / ("一\\f" + std::to_string(i) + ".sav"), "new " + std::to_string(i));
    const auto before = folders();

    SetEnvironmentVariableA("VARNOKE_RESTORE_BACKUP", backup_folder("中断").c_str());
    SetEnvironmentVariableA("VARNOKE_RESTORE_ARCHIVE", archive("中断").c_str());
    SetEnvironmentVariableA("VARNOKE_RESTORE_SAVES", (saves / "一" + "|" + saves / "二" + "|" + saves / "三").c_str());
    PROCESS_INFORMATION child = wintest::start_self("RestoreChild.*");
    SetEnvironmentVariableA("VARNOKE_RESTORE_BACKUP", nullptr);
    // Ended once files are being replaced: the first of them has its old contents back in place.
    bool replacing = false;
    for (int i = 0; i < 12000 && !replacing; ++i) {
        replacing = read_file(saves / "一\\f0.sav") == "old 0";
        if (!replacing) Sleep(5);
    }
    TerminateProcess(child.hProcess, 1);
    WaitForSingleObject(child.hProcess, 10000);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    ASSERT_TRUE(replacing) << "the restore never reached its renames";
    EXPECT_NE(folders(), before);

    // The next start takes it back and says so once.
    DestroyWindow(window.hwnd());
    release_single_instance();
    AppState next;
    next.tool_dir = app().tool_dir;
    fs::FileSystem& ops = fs::platform_file_system();
    // This machine uses the list: the journal is checked against that list's save folders.
    write_machine_list(ops, next.folders(), make_machine_id(first_adapter_address(), os_build_number()),
                       app().save_config_path);
    prompt.messages.clear();
    ASSERT_TRUE(run_startup(next, {[] {}, [] {}}, ops));
    release_single_instance();
    ASSERT_GE(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text.rfind("上次的恢复没有完成就被中断了", 0), 0u) << prompt.messages[0].text;
    EXPECT_EQ(folders(), before);
    EXPECT_FALSE(has_temporaries(saves.path()));
    prompt.messages.clear();
    ASSERT_TRUE(run_startup(next, {[] {}, [] {}}, ops));
    release_single_instance();
    EXPECT_TRUE(prompt.messages.empty());  // told once
}

}  // namespace
}  // namespace app_test
