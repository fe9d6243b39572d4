// The real program run with arguments, as a scheduled task or a shortcut runs it: what it writes,
// what it logs and the exit code it ends with.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/window_flow.h"
#include "app/startup.h"
#include "backup/sets.h"
#include "backup/zip/zip.h"
#include "config/ini.h"
#include "config/project_list.h"
#include "fs/wide_text.h"
#include "paths/files.h"
#include "paths/gbk_text.h"
#include "paths/time_text.h"
#include "support/scripted_prompt.h"
#include "win/support/win_test.h"

namespace {

using wintest::read_file;
using wintest::unpacked;
using wintest::write_file;

class CommandLine : public ::testing::Test {
   protected:
    wintest::TempDir tool{"命令行"};
    wintest::TempDir saves{"存档"};

    void SetUp() override {
        ASSERT_TRUE(CopyFileA((files::executable_dir() + "\\Varnoke.exe").c_str(),
                              (tool / "Varnoke.exe").c_str(), FALSE));
        wintest::make_dirs(tool / "配置目录");
        wintest::make_dirs(tool / "存档目录");
        const std::string id = make_machine_id(first_adapter_address(), os_build_number());
        write_ini_value(tool / "配置目录\\系统配置文件.ini", "存档配置", id, list());
        for (const char* d : {"一", "二\\子"}) wintest::make_dirs(saves / d);
        write_file(saves / "一\\存档1.sav", "before");
        write_file(saves / "二\\子\\2.sav", "second");
    }

    std::string list() const { return tool / "配置目录\\存档配置文件.ini"; }
    void add(const std::string& name, const std::string& save_path, const std::string& program = "") {
        write_ini_value(list(), name, "存档路径", save_path);
        write_ini_value(list(), name, "程序路径", program);
    }
    int run(const std::string& args, const std::string& output_file = "") {
        return wintest::run_program("\"" + (tool / "Varnoke.exe") + "\" " + args, output_file);
    }
    std::string folder(const std::string& name) const { return tool / ("存档目录\\" + name); }
    // The names of the backup folder that the backup writes.
    std::set<std::string> archives(const std::string& name) const {
        std::set<std::string> out;
        for (const backup::ArchiveSet& set : backup::list_sets(wintest::disk(), wintest::on_disk(folder(name)), {false}))
            for (const std::string& n : set.names) out.insert(fs::shown_name(n));
        return out;
    }
    std::string log() const { return read_file(tool / "配置目录\\varnoke.log"); }
    static size_t lines_with(const std::string& text, const std::string& part) {
        size_t n = 0;
        for (const std::string& line : gbk::split(text, '\n')) n += line.find(part) != std::string::npos;
        return n;
    }
    // A stand-in game under a name no other test program uses.
    std::string stand_in() const {
        const std::string path = tool / ("替身" + std::to_string(GetCurrentProcessId()) + ".exe");
        EXPECT_TRUE(CopyFileA((files::executable_dir() + "\\stand_in.exe").c_str(), path.c_str(), FALSE));
        return path;
    }
};

TEST_F(CommandLine, BackupWritesWhatTheButtonWritesStampsDecoratesAndLogs) {
    add("游戏", saves / "一" + "|" + saves / "二", files::executable_dir() + "\\hash_icon.exe");
    EXPECT_EQ(run("/backup 游戏"), 0);
    const std::set<std::string> written = archives("游戏");
    ASSERT_EQ(written.size(), 2u);
    const std::string first = *written.begin();  // "….zip" sorts before "….zip2"
    EXPECT_EQ(written, (std::set<std::string>{first, first + "2"}));
    EXPECT_EQ(unpacked(folder("游戏") + "\\" + first, "存档1.sav"), "before");
    EXPECT_EQ(unpacked(folder("游戏") + "\\" + first + "2", "子\\2.sav"), "second");
    EXPECT_TRUE(wintest::is_file(folder("游戏") + "\\Desktop.ini"));
    const std::string stamp = read_ini_value(list(), "游戏", "操作时间");
    const std::string archive_time = first.substr(0, first.size() - 4);
    EXPECT_GE(to_seconds(parse_time_text(stamp)), to_seconds(parse_time_text(archive_time))) << stamp;
    EXPECT_EQ(lines_with(log(), "游戏：备份完成：" + folder("游戏") + "\\" + first),
              2u);  // the archive and its companion
}

TEST_F(CommandLine, RefusesAnUnknownProjectAndARunningProgramWithoutWritingAnArchive) {
    const std::string self = gbk::after_last_backslash(files::executable_path());
    add("运行中", saves / "一", "C:\\别处\\" + self);
    EXPECT_EQ(run("/backup 没有这个"), 2);
    EXPECT_EQ(run("/backup 运行中"), 2);
    EXPECT_FALSE(wintest::exists(folder("没有这个")));
    EXPECT_TRUE(archives("运行中").empty());
    EXPECT_FALSE(read_ini_value(list(), "运行中", "操作时间").empty());  // stamped, as the button does
    EXPECT_EQ(read_ini_section_names(list()), std::vector<std::string>{"运行中"});
    EXPECT_EQ(lines_with(log(), "没有这个：项目列表中没有这个项目。"), 1u);
    EXPECT_EQ(lines_with(log(), "运行中：程序[" + self + "]在运行，不能进行备份！"), 1u);
}

TEST_F(CommandLine, AnUnreadableSaveFileGivesOne) {
    add("锁住", saves / "一");
    HANDLE held =
        CreateFileA((saves / "一\\存档1.sav").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(run("/backup 锁住"), 1);
    CloseHandle(held);
    EXPECT_EQ(lines_with(log(), "存档1.sav"), 1u) << log();
}

TEST_F(CommandLine, ListPrintsTheProjectsAndAnythingUnknownPrintsTheUsage) {
    add("甲", saves / "一");
    add("乙", saves / "二");
    EXPECT_EQ(run("/list", saves / "list.txt"), 0);
    EXPECT_EQ(read_file(saves / "list.txt"), "甲\r\n乙\r\n");
    EXPECT_EQ(run("/backup", saves / "bad.txt"), 2);
    EXPECT_NE(read_file(saves / "bad.txt").find("用法："), std::string::npos);
    EXPECT_EQ(run("/help", saves / "help.txt"), 0);
    EXPECT_NE(read_file(saves / "help.txt").find("/backup-all"), std::string::npos);
}

// The window stamps projects while the command line backs all of them up and stamps them too.
TEST_F(CommandLine, BackupAllWhileTheMainWindowIsOpenCoversEveryProjectAndLosesNoKey) {
    std::vector<std::string> names;
    for (int i = 0; i < 6; ++i) {
        names.push_back("项目" + std::to_string(i));
        add(names.back(), saves / "一", "D:\\游戏" + std::to_string(i) + ".exe");
    }
    ScriptedPrompt prompt;
    prompt.install();
    app() = AppState{};
    app().fs = &wintest::disk();
    app().tool_dir = wintest::on_disk(tool.path());
    app().save_config_path = wintest::on_disk(list());
    ASSERT_TRUE(acquire_single_instance());  // as a window of the tool holds it
    MainWindow window;
    ASSERT_TRUE(window.create(main_context()));
    wintest::select_combo_item(window.item(MainWindow::kProjectCombo), 0);

    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = "\"" + (tool / "Varnoke.exe") + "\" /backup-all";
    ASSERT_TRUE(CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    while (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
        window.stamp_operation_time();
        wintest::pump_messages();
    }
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_EQ(code, 0u);
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(archives(names[i]).size(), 1u) << names[i];
        EXPECT_EQ(read_ini_value(list(), names[i], "存档路径"), saves / "一");
        EXPECT_EQ(read_ini_value(list(), names[i], "程序路径"), "D:\\游戏" + std::to_string(i) + ".exe");
    }
    std::set<std::string> listed;
    for (int i = 0; i < wintest::combo_count(window.item(MainWindow::kProjectCombo)); ++i)
        listed.insert(wintest::combo_item(window.item(MainWindow::kProjectCombo), i));
    EXPECT_EQ(listed, std::set<std::string>(names.begin(), names.end()));
    EXPECT_EQ(load_project_names(list()).size(), names.size());
    release_single_instance();
    set_prompt(nullptr);
}

// A launcher that hands over to a process of the same name and ends at once; that one saves as it quits.
TEST_F(CommandLine, PlayBacksUpOnceAfterTheLastProcessOfTheProgramHasEnded) {
    add("启动器", saves / "一", stand_in());
    SetEnvironmentVariableA("STAND_IN_LAUNCH", "1");
    SetEnvironmentVariableW(L"STAND_IN_SAVE", fs::to_wide(saves / "一\\存档1.sav").c_str());
    const int code = run("/play \"启动器\"");
    SetEnvironmentVariableA("STAND_IN_LAUNCH", nullptr);
    SetEnvironmentVariableA("STAND_IN_SAVE", nullptr);
    EXPECT_EQ(code, 0);
    const std::set<std::string> written = archives("启动器");
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(unpacked(folder("启动器") + "\\" + *written.begin(), "存档1.sav"), "after");
}

TEST_F(CommandLine, KeepingThreeLeavesTheNewestSetsAndEveryOtherFile) {
    add("保留", saves / "一|" + saves / "二");
    write_ini_value(list(), "保留", "保留份数", "3");
    const std::string f = folder("保留") + "\\";
    wintest::make_dirs(f + "恢复前");
    const std::set<std::string> foreign = {"Desktop.ini", "image.ico", "笔记.txt", "2020年1月1日.zip.bak",
                                           "恢复前\\2020年1月1日.zip"};
    const std::set<std::string> earlier = {"2020年1月1日.zip",        "2020年1月1日.zip2",
                                           "2020年1月2日3时.zip",     "2020年1月3日3时4分.zip",
                                           "2020年1月3日3时4分.zip2", "2020年1月10日3时4分5秒.zip",
                                           "2020年1月20日.zip",       "2020年1月20日.zip2"};
    for (const std::string& n : foreign) write_file(f + n, n);
    for (const std::string& n : earlier) write_file(f + n, n);

    // A backup that does not write every archive deletes nothing.
    wintest::remove_tree(saves / "一");
    EXPECT_EQ(run("/backup 保留"), 1);
    EXPECT_EQ(archives("保留"), earlier);

    wintest::make_dirs(saves / "一");
    EXPECT_EQ(run("/backup 保留"), 0);
    std::set<std::string> left = archives("保留");
    ASSERT_EQ(left.size(), 5u);
    for (const char* n : {"2020年1月10日3时4分5秒.zip", "2020年1月20日.zip", "2020年1月20日.zip2"})
        EXPECT_EQ(left.erase(n), 1u);
    ASSERT_EQ(left.size(), 2u);
    std::set<std::string> stems;  // the new set
    for (const std::string& n : left) stems.insert(n.substr(0, n.rfind(".zip")));
    EXPECT_EQ(stems.size(), 1u);
    for (const std::string& n : foreign) EXPECT_EQ(read_file(f + n), n);
    EXPECT_EQ(lines_with(log(), "保留：删除旧备份："), 5u);
}

// An old backup that cannot be deleted (a program holds it open) is not a complete run.
TEST_F(CommandLine, AnOldBackupThatStaysGivesOneAndIsLogged) {
    add("占用", saves / "一");
    write_ini_value(list(), "占用", "保留份数", "1");
    wintest::make_dirs(folder("占用"));
    const std::string old = folder("占用") + "\\2020年1月1日.zip";
    write_file(old, "old");
    HANDLE held = CreateFileA(old.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(run("/backup 占用"), 1);
    CloseHandle(held);
    EXPECT_EQ(read_file(old), "old");
    EXPECT_EQ(lines_with(log(), "占用：未能删除旧备份：" + old), 1u) << log();
}

// A list that cannot be replaced (a program holds it open) keeps the backup, but the run is not
// complete: 操作时间 was not written.
TEST_F(CommandLine, AStampThatCannotBeWrittenGivesOneAndIsLogged) {
    add("甲", saves / "一");
    HANDLE held = CreateFileA(list().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(run("/backup 甲"), 1);
    CloseHandle(held);
    EXPECT_EQ(archives("甲").size(), 1u);
    EXPECT_EQ(read_ini_value(list(), "甲", "操作时间"), "");
    EXPECT_EQ(lines_with(log(), "甲：操作时间未能写入项目列表"), 1u) << log();
}

}  // namespace

namespace {

// A long list is read once per run: one project of 3,000 is backed up in well under a second (16 s
// when every key read went through the whole file), and the list stays whole.
TEST_F(CommandLine, BackupOfOneProjectOnALongListIsQuickAndKeepsEveryProject) {
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "[项目" + std::to_string(i) + "]\r\n存档路径=" + saves / "一" + "\r\n程序路径=D:\\游戏" +
                std::to_string(i) + ".exe\r\n操作时间=2011年1月1日1时1分" + std::to_string(i % 60) + "秒\r\n";
    write_file(list(), text);
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(run("/backup 项目1500"), 0);
    const ULONGLONG took = GetTickCount64() - start;
    std::printf("/backup of one project on a list of 3000: %llu ms\n", took);
    EXPECT_LT(took, 3000u);
    EXPECT_EQ(archives("项目1500").size(), 1u);
    EXPECT_EQ(read_ini_section_names(list()).size(), 3000u);
    EXPECT_NE(read_ini_value(list(), "项目1500", "操作时间"), "2011年1月1日1时1分0秒");
    EXPECT_EQ(read_ini_value(list(), "项目2999", "程序路径"), "D:\\游戏2999.exe");
}

}  // namespace
