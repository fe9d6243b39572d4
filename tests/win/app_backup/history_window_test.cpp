// 存档历史 opened from the main window's system menu on a real backup folder: its rows, a
// comparison, a note, a kept mark, a deletion that touches only the set's archives, and a restore.
#include "backup_fixture.h"

#include <set>

#include "backup/backup_info.h"
#include "backup/sets.h"
#include "ui/history_window.h"

namespace app_test {
namespace {

namespace H = history_ui;

class HistoryWindowTest : public BackupRestore {
   protected:
    HWND history = nullptr;

    void open_from_system_menu() {
        SendMessageA(window.hwnd(), WM_SYSCOMMAND, M::kHistoryCommand, 0);
        history = wintest::own_window("存档历史 - 历史");
        ASSERT_NE(history, nullptr);
    }
    HWND list() const { return GetDlgItem(history, H::kList); }
    std::string cell(int row, int column) const {
        char buf[512] = {};
        LVITEMA it{};
        it.iSubItem = column;
        it.pszText = buf;
        it.cchTextMax = sizeof buf;
        SendMessageA(list(), LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&it));
        return buf;
    }
    std::vector<std::string> rows() const {
        std::vector<std::string> out;
        for (int i = 0; i < ListView_GetItemCount(list()); ++i)
            out.push_back(cell(i, 0) + "|" + cell(i, 1) + "|" + cell(i, 3) + "|" + cell(i, 4));
        return out;
    }
    void choose(int row) {
        ListView_SetItemState(list(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    void press(int id) {
        wintest::click(GetDlgItem(history, id));
        wait_until_told(window);
    }
    std::string text_of(int id) const {
        std::string t(65536, '\0');
        t.resize(static_cast<size_t>(GetWindowTextA(GetDlgItem(history, id), t.data(), static_cast<int>(t.size()))));
        return t;
    }
    // The save is played on: written an hour after the backups.
    static void hour_later(const std::string& path) {
        HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        FILETIME t;
        GetSystemTimeAsFileTime(&t);
        ULARGE_INTEGER u{{t.dwLowDateTime, t.dwHighDateTime}};
        u.QuadPart += 3600ULL * 10000000ULL;
        t = {u.LowPart, u.HighPart};
        SetFileTime(h, nullptr, nullptr, &t);
        CloseHandle(h);
    }
    std::set<std::string> folder_names(const std::string& folder) const {
        std::set<std::string> names;
        WIN32_FIND_DATAA d;
        HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &d);
        if (h == INVALID_HANDLE_VALUE) return names;
        do
            if (std::string(d.cFileName) != "." && std::string(d.cFileName) != "..") names.insert(d.cFileName);
        while (FindNextFileA(h, &d));
        FindClose(h);
        return names;
    }
};

TEST_F(HistoryWindowTest, ListsSetsComparesNotesKeepsDeletesAndRestores) {
    add_project("历史", saves / "一" + "|" + saves / "二" + "|" + saves / "三", "");
    open_and_select("历史");
    const std::string folder = backup_folder("历史");
    BackupRestore::press(M::kBackupButton);  // 2011年10月22日9时5分: three archives
    set_clock_for_tests([] { return DateTime{2011, 10, 23, 0, 0, 0}; });
    wintest::remove_tree(saves / "二");
    BackupRestore::press(M::kBackupButton);  // 2011年10月23日: the second folder was missing
    for (const char* stray : {"笔记.txt", "2011年10月1日.zip.bak", "2011年9月1日.zip2", "2011年10月5日9时"})
        write_file(folder + "\\" + stray, "stray");
    wintest::make_dirs(folder + "\\2011年10月6日.zip");
    write_file(saves / "一\\存档1.sav", "played on after the backups");
    hour_later(saves / "一\\存档1.sav");
    const std::set<std::string> before = folder_names(folder);

    char item[64] = {};
    GetMenuStringA(GetSystemMenu(window.hwnd(), FALSE), M::kHistoryCommand, item, sizeof item, MF_BYCOMMAND);
    EXPECT_STREQ(item, "存档历史(&H)");
    open_from_system_menu();
    open_from_system_menu();  // the open window comes forward, no second one
    EXPECT_EQ(wintest::own_windows("存档历史 - 历史").size(), 1u);
    EXPECT_EQ(rows(), (std::vector<std::string>{"2011年10月23日|手动|2/3|", "2011年10月22日9时5分|手动|3/3|"}));

    // The set of the 23rd is older than the save now on disk.
    choose(0);
    press(H::kCompareButton);
    const std::string compared = text_of(H::kComparisonEdit);
    EXPECT_EQ(compared.rfind("当前存档比这个备份新：1 个文件", 0), 0u) << compared;
    EXPECT_NE(compared.find("。\r\n\r\n恢复 2011年10月23日（手动）会这样改动存档：\r\n存档文件夹 1："), std::string::npos)
        << compared;
    EXPECT_NE(compared.find("存档1.sav（磁盘上的更新）"), std::string::npos) << compared;

    choose(1);
    prompt.text_answers = {std::string("打最终头目之前")};
    press(H::kNoteButton);
    press(H::kKeepButton);
    EXPECT_EQ(cell(1, 4), "★打最终头目之前");
    const backup::SetInfo kept = backup::BackupInfo(wintest::disk(), wintest::on_disk(folder)).of(time_name + ".zip");
    EXPECT_TRUE(kept.kept);
    EXPECT_EQ(kept.note, "打最终头目之前");

    // A kept set asks twice; only its three archives go, its section with them.
    prompt.messages.clear();
    choose(1);
    press(H::kDeleteButton);
    ASSERT_EQ(prompt.messages.size(), 2u);
    EXPECT_EQ(prompt.messages[0].text.rfind("是否把备份 2011年10月22日9时5分 移到回收站？", 0), 0u);
    EXPECT_NE(prompt.messages[1].text.find("保留"), std::string::npos);
    ASSERT_EQ(recycle_bin.moved.size(), 1u);
    EXPECT_EQ(recycle_bin.moved[0], (std::vector<std::string>{archive("历史"), archive("历史", 2), archive("历史", 3)}));
    std::set<std::string> expected = before;
    for (const char* gone : {".zip", ".zip2", ".zip3"}) expected.erase(time_name + gone);
    EXPECT_EQ(folder_names(folder), expected);
    EXPECT_EQ(read_file(folder + "\\备份信息.ini").find(time_name), std::string::npos);
    EXPECT_EQ(rows(), (std::vector<std::string>{"2011年10月23日|手动|2/3|"}));

    // 恢复 is the main window's restore with this archive: its question, its safety copy, its message.
    prompt.messages.clear();
    choose(0);
    press(H::kRestoreButton);
    const std::vector<std::string> told = prompt.texts();
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.front(), "存档已存在是否覆盖？");
    // The folder missing at backup time makes it the main window's "not all restored" message.
    EXPECT_NE(told.back().find(folder + "\\2011年10月23日.zip\r\n"), std::string::npos) << told.back();
    EXPECT_TRUE(prompt.open_requests.empty());
    EXPECT_EQ(rows(), (std::vector<std::string>{"2011年10月23日|手动|2/3|", "2011年10月23日|恢复前|2/3|"}));
    // The safety copy that 撤销上次恢复 needs stays.
    prompt.messages.clear();
    choose(1);
    press(H::kDeleteButton);
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{"这是撤销上次恢复要用的恢复前副本，不能删除。"}));
    EXPECT_EQ(recycle_bin.moved.size(), 1u);
    PostMessageA(history, WM_CLOSE, 0, 0);
    wintest::pump_messages();
    EXPECT_FALSE(IsWindow(history));
}

// 删除 of a set whose companion another program holds open: nothing goes, and the set is still
// whole after the sweep of the next start.
TEST_F(HistoryWindowTest, ASetWithAnArchiveHeldOpenStaysWhole) {
    add_project("历史", saves / "一" + "|" + saves / "二", "");
    open_and_select("历史");
    BackupRestore::press(M::kBackupButton);
    HANDLE held =
        CreateFileA(archive("历史", 2).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    open_from_system_menu();
    choose(0);
    press(H::kDeleteButton);
    CloseHandle(held);
    EXPECT_NE(prompt.texts().back().find("这些文件没有移到回收站："), std::string::npos);
    backup::remove_backup_leftovers(wintest::disk(), wintest::on_disk(backup_folder("历史")));
    EXPECT_TRUE(wintest::is_file(archive("历史")) && wintest::is_file(archive("历史", 2)));
}

// 校验 on the real disk, beside the window: the set whose companion was cut short is named with why
// and marked in 备注; the other reads 完好.
TEST_F(HistoryWindowTest, VerifyReadsEverySetFromTheDiskAndMarksTheDamagedOne) {
    add_project("历史", saves / "一" + "|" + saves / "二", "");
    open_and_select("历史");
    BackupRestore::press(M::kBackupButton);
    set_clock_for_tests([] { return DateTime{2011, 10, 23, 0, 0, 0}; });
    BackupRestore::press(M::kBackupButton);
    const std::string cut = backup_folder("历史") + "\\2011年10月23日.zip2";
    write_file(cut, read_file(cut).substr(0, 60));
    open_from_system_menu();
    wintest::click(GetDlgItem(history, H::kVerifyButton));
    EXPECT_TRUE(wintest::wait_for([&] {
        wintest::pump_messages();
        return text_of(H::kComparisonEdit).find("校验完成") != std::string::npos;
    }, 30000));
    const std::string said = text_of(H::kComparisonEdit);
    EXPECT_NE(said.find("\r\n" + time_name + "（手动）：完好\r\n"), std::string::npos) << said;
    EXPECT_NE(said.find("\r\n2011年10月23日（手动）：已损坏：2011年10月23日.zip2：找不到压缩包的目录"), std::string::npos)
        << said;
    EXPECT_EQ(rows(), (std::vector<std::string>{"2011年10月23日|手动|2/2|【已损坏】", time_name + "|手动|2/2|"}));
}

}  // namespace
}  // namespace app_test
