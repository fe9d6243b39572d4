// Start-up on real folders and INI files under Wine, with a scripted prompt.
#include <gtest/gtest.h>

#include <set>

#include <regex>

#include "app/startup.h"
#include "config/ini.h"
#include "paths/files.h"
#include "support/scripted_prompt.h"
#include "win/support/win_test.h"

namespace {

using wintest::read_file;
using wintest::write_file;

const char* kMigrated = "系统检测你的上一版本低于0.99。\r\n已自动完成版本升级后的文件迁移。";

class Startup : public ::testing::Test {
   protected:
    void SetUp() override {
        prompt.install();
        state.tool_dir = wintest::on_disk(dir.path());
        state.machine_id = "001A2B3C4D5E7601";
    }
    void TearDown() override { release_single_instance(); }

    StartupWindows recording_windows() {
        return {[this] { opened.push_back("main"); }, [this] { opened.push_back("config"); }};
    }
    std::string system_ini() const { return dir / "配置目录\\系统配置文件.ini"; }

    wintest::TempDir dir{"startup"};
    ScriptedPrompt prompt;
    AppState state;
    fs::FileSystem& real_files = fs::platform_file_system();
    std::vector<std::string> opened;
};

TEST_F(Startup, TheMachineIdComesFromTheFirstAdapterAndTheBuild) {
    std::string real = make_machine_id(first_adapter_address(), os_build_number());
    EXPECT_TRUE(std::regex_match(real, std::regex("([0-9A-F]{12})?[0-9]+"))) << real;
    EXPECT_EQ(os_build_number(), 7601u);  // a new Wine prefix reports Windows 7 SP1
}

TEST_F(Startup, MigrationMovesFoldersAndTheProjectList) {
    const std::string old_list = "[甲]\r\n存档路径=C:\\a\r\n[缺少]\r\n存档路径=C:\\b\r\n[丙]\r\n存档路径=C:\\c\r\n";
    write_file(dir / "存档配置文件.ini", old_list);
    wintest::make_dirs(dir / "甲\\子");
    write_file(dir / "甲\\子\\1.zip", "zip1");
    wintest::make_dirs(dir / "丙");
    write_file(dir / "丙\\2.zip", "zip2");

    EXPECT_EQ(migrate_legacy_layout(real_files, state.folders(), state.machine_id), kMigrated);
    EXPECT_EQ(read_file(dir / "存档目录\\甲\\子\\1.zip"), "zip1");
    EXPECT_EQ(read_file(dir / "存档目录\\丙\\2.zip"), "zip2");
    EXPECT_FALSE(wintest::exists(dir / "甲"));
    EXPECT_FALSE(wintest::exists(dir / "存档目录\\缺少"));
    EXPECT_EQ(read_file(dir / "配置目录\\存档配置文件.ini"), old_list);
    EXPECT_FALSE(wintest::exists(dir / "存档配置文件.ini"));
    EXPECT_EQ(read_ini_value(system_ini(), "存档配置", state.machine_id), dir / "配置目录\\存档配置文件.ini");
}

TEST_F(Startup, AnswerYesGeneratesThisMachinesList) {
    wintest::create_directory(dir / "配置目录");
    write_ini_value(system_ini(), "存档配置", state.machine_id, "");  // empty counts as absent
    prompt.answers = {mb::kIdYes};
    choose_save_config(state, recording_windows(), real_files);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "本机存档配置文件未指定，是否自动生成配置？\r\n\r\n选 [否] 手动选择配置文件");
    EXPECT_EQ(prompt.messages[0].style, 36u);
    EXPECT_EQ(prompt.messages[0].title, "信息：");
    const std::string generated = dir / "配置目录\\存档配置文件_001A2B3C4D5E7601 .ini";
    EXPECT_EQ(state.save_config_path, wintest::on_disk(generated));
    EXPECT_EQ(read_ini_value(system_ini(), "存档配置", state.machine_id), generated);
    EXPECT_FALSE(wintest::exists(generated));  // made by the first project written into it
    EXPECT_EQ(opened, std::vector<std::string>{"main"});
}

TEST_F(Startup, AnswerNoOpensTheConfigurationWindowUnchosen) {
    prompt.answers = {mb::kIdNo};
    choose_save_config(state, recording_windows(), real_files);
    EXPECT_TRUE(state.config_unchosen);
    EXPECT_TRUE(state.save_config_path.empty());
    EXPECT_EQ(opened, std::vector<std::string>{"config"});
}

TEST_F(Startup, AFirstRunInAnEmptyFolderMakesBothFoldersAndAsks) {
    prompt.answers = {mb::kIdYes};
    ASSERT_TRUE(run_startup(state, recording_windows(), real_files));
    EXPECT_TRUE(wintest::is_directory(dir / "配置目录"));
    EXPECT_TRUE(wintest::is_directory(dir / "存档目录"));
    EXPECT_EQ(prompt.messages.size(), 1u);
    // The choice is remembered, so the next start asks nothing.
    release_single_instance();
    prompt.messages.clear();
    opened.clear();
    AppState next;
    next.tool_dir = wintest::on_disk(dir.path());
    // What a backup ended by force left in a project's folder goes at the next start.
    wintest::make_dirs(dir / "存档目录\\游戏");
    write_file(dir / "存档目录\\游戏\\.vnk00112233aabb.tmp", "half an archive");
    write_file(dir / "存档目录\\游戏\\保留.tmp", "not ours");
    ASSERT_TRUE(run_startup(next, recording_windows(), real_files));
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(next.save_config_path, state.save_config_path);
    EXPECT_EQ(opened, std::vector<std::string>{"main"});
    EXPECT_FALSE(wintest::exists(dir / "存档目录\\游戏\\.vnk00112233aabb.tmp"));
    EXPECT_TRUE(wintest::exists(dir / "存档目录\\游戏\\保留.tmp"));
}

TEST_F(Startup, RunStartupMigratesAndTellsTheUser) {
    write_file(dir / "存档配置文件.ini", "[甲]\r\n");
    prompt.answers = {mb::kIdOk};
    ASSERT_TRUE(run_startup(state, recording_windows(), real_files));
    ASSERT_GE(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, kMigrated);
    EXPECT_EQ(prompt.messages[0].style, 0u);
    // The migrated list is this machine's: no question follows.
    EXPECT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(state.save_config_path, wintest::on_disk(dir / "配置目录\\存档配置文件.ini"));
}

// Run as a second process by the test below: start-up must refuse and touch nothing.
TEST(SingleInstanceChild, RefusesWhileAnotherRuns) {
    if (!files::environment_variable("VARNOKE_CHILD_TOOL_DIR").size()) GTEST_SKIP() << "child only";
    ScriptedPrompt p;
    p.install();
    AppState s;
    s.tool_dir = wintest::on_disk(files::environment_variable("VARNOKE_CHILD_TOOL_DIR"));
    fs::FileSystem& files = fs::platform_file_system();
    bool opened_any = false;
    EXPECT_FALSE(run_startup(s, {[&] { opened_any = true; }, [&] { opened_any = true; }}, files));
    EXPECT_FALSE(opened_any);
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_EQ(p.messages[0].text, "本程序已经在运行！");
    EXPECT_EQ(p.messages[0].style, 16u);
    EXPECT_EQ(p.messages[0].title, "错误");
    if (!HasFailure()) wintest::write_file(files::environment_variable("VARNOKE_CHILD_MARKER"), "refused");
}

// Run twice at once by the test below: each takes the marker if it can and holds it a moment.
TEST(SingleInstanceRacer, TakesTheMarkerIfItCan) {
    const std::string marker = files::environment_variable("VARNOKE_RACE_MARKER");
    if (marker.empty()) GTEST_SKIP() << "child only";
    HANDLE gun = OpenEventA(SYNCHRONIZE, FALSE, files::environment_variable("VARNOKE_RACE_GUN").c_str());
    ASSERT_NE(gun, nullptr);
    WaitForSingleObject(gun, 30000);  // both racers leave at the same moment
    CloseHandle(gun);
    const bool won = acquire_single_instance();
    wintest::write_file(marker, won ? "won" : "lost");
    Sleep(1500);
    release_single_instance();
}

TEST(SingleInstance, OfTwoStartedTogetherExactlyOneRuns) {
    wintest::TempDir results("race");
    const std::string gun_name = "VarnokeRaceGun" + std::to_string(GetCurrentProcessId());
    HANDLE gun = CreateEventA(nullptr, TRUE, FALSE, gun_name.c_str());
    SetEnvironmentVariableA("VARNOKE_RACE_GUN", gun_name.c_str());
    PROCESS_INFORMATION racers[2];
    for (int i = 0; i < 2; ++i) {
        SetEnvironmentVariableA("VARNOKE_RACE_MARKER", (results / std::to_string(i)).c_str());
        racers[i] = wintest::start_self("SingleInstanceRacer.*");
        ASSERT_NE(racers[i].hProcess, nullptr);
    }
    SetEnvironmentVariableA("VARNOKE_RACE_MARKER", nullptr);
    Sleep(2000);  // both are waiting by now
    SetEvent(gun);
    for (PROCESS_INFORMATION& pi : racers) {
        WaitForSingleObject(pi.hProcess, 60000);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(gun);
    std::multiset<std::string> outcomes{wintest::read_file(results / "0"), wintest::read_file(results / "1")};
    EXPECT_EQ(outcomes, (std::multiset<std::string>{"lost", "won"}));
}

int run_child(const std::string& tool_dir, const std::string& marker) {
    SetEnvironmentVariableA("VARNOKE_CHILD_TOOL_DIR", tool_dir.c_str());
    SetEnvironmentVariableA("VARNOKE_CHILD_MARKER", marker.c_str());
    std::string cmd = "\"" + files::executable_path() + "\" --gtest_filter=SingleInstanceChild.*";
    STARTUPINFOA si{sizeof si};
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    SetEnvironmentVariableA("VARNOKE_CHILD_TOOL_DIR", nullptr);
    return static_cast<int>(code);
}

TEST(SingleInstance, ASecondProcessIsRefusedWhileTheFirstRuns) {
    wintest::TempDir tool("second"), results("marker");
    ASSERT_TRUE(acquire_single_instance());
    EXPECT_EQ(run_child(tool.path(), results / "child.txt"), 0);
    EXPECT_EQ(wintest::read_file(results / "child.txt"), "refused");  // the child really ran its checks
    EXPECT_FALSE(wintest::exists(tool / "配置目录"));
    release_single_instance();
    // Once the first has gone, a new instance may start.
    EXPECT_TRUE(acquire_single_instance());
    release_single_instance();
}

}  // namespace
