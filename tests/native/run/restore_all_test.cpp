// 全部恢复 on a fresh copy of the tool folder: the states of six projects against their newest sets,
// one press that restores the ticked ones (each with its safety copy and undo), and a forced end
// anywhere in that press.
#include <gtest/gtest.h>

#include "backup/restore.h"
#include "config/machine_list.h"
#include "fs/memory_file_system.h"
#include "paths/time_text.h"
#include "run/restore_all.h"
#include "zip_support/injecting_file_system.h"

namespace {

const std::string kTool = "/tool/存档目录", kConfig = "/tool/配置目录";

struct Stamps : OperationStamp {
    bool stamp(const std::string&) override { return true; }
};

// This user is 我.
class MachineFolders : public Folders {
   public:
    PathFixes fixes;
    std::string environment_variable(const std::string& n) const override {
        return n == "USERPROFILE" ? "C:\\Users\\我" : "";
    }
    std::string special_folder(int) const override { return "C:\\Users\\我\\Documents"; }
    std::string windows_dir() const override { return "C:\\Windows"; }
    std::string system_dir() const override { return "C:\\Windows\\system32"; }
    std::string temp_dir() const override { return "C:\\Users\\我\\AppData\\Local\\Temp"; }
    std::string fixed_path(const std::string& expanded) const override { return apply_path_fixes(expanded, fixes); }
};

// Each project as the other machine left it, then as this machine has it: the six of a new
// machine, and one whose set is newer than its saves.
struct Scenario {
    const char* name;
    bool backed_up;
    enum Here { gone, emptied, as_backed_up, played_on, older } here;
    SaveState state;
};
const Scenario kProjects[] = {
    {"丢失甲", true, Scenario::gone, SaveState::missing},
    {"丢失乙", true, Scenario::gone, SaveState::missing},
    {"空的", true, Scenario::emptied, SaveState::empty},
    {"相同", true, Scenario::as_backed_up, SaveState::same},
    {"玩过", true, Scenario::played_on, SaveState::local_newer},
    {"旧的", true, Scenario::older, SaveState::backup_newer},
    {"没备份", false, Scenario::as_backed_up, SaveState::no_backup},
};

class RestoreAll : public ::testing::Test {
   protected:
    void SetUp() override {
        set_clock_for_tests([] { return DateTime{2026, 12, 1, 20, 0, 0}; });
        disk.add_dir("/saves");
        disk.add_dir(kConfig);
        for (const Scenario& s : kProjects) make(s);
    }
    void TearDown() override { set_clock_for_tests({}); }

    static std::string saves(const Scenario& s) { return std::string("/saves/") + s.name; }
    CurrentProject project(const Scenario& s) const {
        return {s.name, "", "", fs::shown(saves(s)), {saves(s)}, kTool + "/" + s.name, {}, {kTool}};
    }
    void make(const Scenario& s) {
        disk.add_dir(saves(s));
        disk.add_dir(saves(s) + "/sub");
        disk.add_file(saves(s) + "/a.sav", std::string("save of ") + s.name);
        disk.add_file(saves(s) + "/sub/b.sav", "level 3");
        if (s.backed_up) {
            disk.add_dir(kTool);
            backup::NoProgress view;
            ASSERT_TRUE(backup::BackupRunner({disk, {}, 1}, view).backup(state(s)).complete());
        }
        if (s.here == Scenario::gone || s.here == Scenario::emptied)
            for (const char* file : {"/a.sav", "/sub/b.sav"}) disk.remove_file(saves(s) + file);
        if (s.here != Scenario::as_backed_up) disk.remove_dir(saves(s) + "/sub");
        if (s.here == Scenario::gone) disk.remove_dir(saves(s));
        if (s.here == Scenario::played_on) disk.add_file(saves(s) + "/a.sav", "played on", 1600000500);
        if (s.here == Scenario::older) disk.add_file(saves(s) + "/a.sav", "older", 1500000000);
    }
    backup::ProjectState state(const Scenario& s) const {
        return {s.name, std::string("D:\\游戏\\") + s.name + ".exe", {saves(s)}, kTool + "/" + s.name, {kTool}};
    }
    std::vector<RestoreAllRow> rows(fs::FileSystem& fs) {
        std::vector<RestoreAllRow> out;
        for (const Scenario& s : kProjects)
            out.push_back(restore_all_row(fs, project(s), folders, [](char) { return true; }));
        return out;
    }
    // One press of 恢复, through the controller, as the window's chain runs it.
    RestoreAllTally press(fs::FileSystem& fs, std::function<bool(const std::string&)> running = {}) {
        OperationControl control({fs, std::move(running), stamps}, nullptr);
        RestoreAllTally tally;
        RestoreAllRecord record(fs, kConfig);
        const std::vector<RestoreAllRow> all = rows(fs);
        record.begin({all[0], all[1], all[2]});
        for (size_t i = 0; i < all.size(); ++i) {
            if (!all[i].ticked) {
                tally.skip(all[i]);
                continue;
            }
            backup::NoProgress view;
            const size_t restored = tally.restored.size();
            tally.add(all[i].project, control.run(restore_without_question(state(kProjects[i]), all[i].newest), view));
            record.ended(all[i].project, tally.restored.size() > restored);
        }
        record.finish();
        return tally;
    }
    bool restored_whole(const Scenario& s) {
        fs::DirEntry e;
        return disk.stat(saves(s) + "/a.sav", &e) && *disk.nodes().at(saves(s) + "/a.sav").data == std::string("save of ") + s.name &&
               *disk.nodes().at(saves(s) + "/sub/b.sav").data == "level 3";
    }
    bool as_it_was(const Scenario& s) {
        std::vector<fs::DirEntry> listing;
        const bool there = disk.list_dir(saves(s), &listing);
        return s.here == Scenario::gone ? !there : there && listing.empty();
    }

    fs::MemoryFileSystem disk;
    MachineFolders folders;
    Stamps stamps;
};

TEST_F(RestoreAll, ShowsEachStateTicksTheMissingAndEmptyAndRestoresThemInOnePress) {
    const std::vector<RestoreAllRow> before = rows(disk);
    for (size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(kProjects[i].name);
        EXPECT_EQ(before[i].state, kProjects[i].state);
        EXPECT_EQ(before[i].ticked, i < 3);
    }
    const RestoreAllTally tally = press(disk);
    EXPECT_EQ(tally.restored, (std::vector<std::string>{"丢失甲", "丢失乙", "空的"}));
    EXPECT_EQ(tally.skipped, (std::vector<std::string>{"相同（与备份相同）", "玩过（本机存档较新）", "旧的（备份较新）",
                                                       "没备份（没有备份）"}));
    const std::string summary = restore_all_summary(tally);
    EXPECT_TRUE(summary.find("已恢复（3）") < summary.find("已跳过（4）") && summary.find("失败") == std::string::npos);
    for (const Scenario& s : kProjects) {
        SCOPED_TRACE(s.name);
        const bool ticked = s.state == SaveState::missing || s.state == SaveState::empty;
        EXPECT_EQ(restored_whole(s), ticked || s.here == Scenario::as_backed_up);
        EXPECT_EQ(backup::has_restore_to_undo(disk, kTool + "/" + s.name), ticked);
    }
    // Each restore is taken back on its own: the empty folder is empty again, the others stay.
    backup::NoProgress view;
    EXPECT_TRUE(backup::BackupRunner({disk, {}, 1}, view).undo(state(kProjects[2]), [] { return true; }).failure.empty());
    EXPECT_TRUE(as_it_was(kProjects[2]));
    EXPECT_TRUE(restored_whole(kProjects[0]));
}

TEST_F(RestoreAll, AProjectWhoseProgramRunsIsRefusedAndTheOthersGoOn) {
    const RestoreAllTally tally = press(disk, [](const std::string& exe) { return exe == "丢失乙.exe"; });
    EXPECT_EQ(tally.restored, (std::vector<std::string>{"丢失甲", "空的"}));
    EXPECT_EQ(tally.failed, std::vector<std::string>{"丢失乙（程序[丢失乙.exe]在运行，不能进行恢复！）"});
    EXPECT_TRUE(as_it_was(kProjects[1]));
}

// Ended by force at one call after another: each ticked project is restored whole or as it was
// once the next start has been through, and the start names the one it finished or took back.
TEST_F(RestoreAll, AForcedEndAnywhereLeavesEachProjectWholeOrAsItWas) {
    const std::map<std::string, fs::MemoryFileSystem::Node> fresh = disk.nodes();
    zip_test::InjectingFileSystem counting(disk);
    press(counting);
    const long calls = counting.calls();
    ASSERT_GT(calls, 30);
    for (long at = 1; at < calls; at += calls / 23 + 1) {
        SCOPED_TRACE(at);
        disk.nodes() = fresh;
        for (auto& [path, node] : disk.nodes()) node.data = std::make_shared<std::string>(*node.data);
        zip_test::InjectingFileSystem dying(disk, zip_test::InjectingFileSystem::Mode::die, at);
        press(dying);
        const auto saves_of = [](const std::string& name) { return std::vector<std::string>{"/saves/" + name}; };
        const auto told = backup::recover_all_projects(disk, kTool, saves_of);
        const std::string said = interrupted_restore_all_text(disk, kConfig, saves_of);
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(restored_whole(kProjects[i]) || as_it_was(kProjects[i])) << kProjects[i].name;
            // Without a record nothing was restored yet, or the summary was told.
            const bool said_so = said.empty() ? restored_whole(kProjects[2]) : said.substr(0, said.find("没有恢复")).find(kProjects[i].name) != std::string::npos;
            EXPECT_EQ(said_so, restored_whole(kProjects[i])) << said;
        }
        EXPECT_LE(told.size(), 1u);
        for (const auto& [name, r] : told)
            EXPECT_TRUE(r.what == r.restore_completed || r.what == r.restore_taken_back) << name;
        for (int i = 3; i < 7; ++i) EXPECT_EQ(restored_whole(kProjects[i]), kProjects[i].here == Scenario::as_backed_up);
    }
}

// A list written where the user was olduser, on a machine whose user is 我: the fix is offered for
// the profile, kept for this machine only, and every expansion uses it; the list stays as written.
TEST(PathsThatFollowTheUser, TheFixIsOfferedKeptPerMachineAndUsedByEveryExpansion) {
    fs::MemoryFileSystem disk;
    const ToolFolders tool{"/U盘/工具"};
    for (const std::string& dir : {tool.tool_dir, tool.config_dir()}) disk.add_dir(dir);
    const std::string list = tool.config_dir() + "/列表.ini",
                      text = "[游戏]\r\n程序路径=C:\\Users\\olduser\\游戏\\game.exe\r\n"
                             "存档路径=C:\\Users\\olduser\\Saved Games\\游戏||C:\\Users\\olduser\\Documents\\游戏\r\n";
    disk.add_file(list, text);
    MachineFolders here;
    const auto any_drive = [](char) { return true; };
    CurrentProject p = load_project(ProjectFiles{disk, list, tool.backup_root()}, "游戏", tool, here);
    const PathTrouble trouble = project_path_trouble(p, here, any_drive);
    ASSERT_EQ(trouble.kind, PathTrouble::other_user);
    EXPECT_EQ(path_trouble_text(trouble), "路径在其他用户的文件夹下：C:\\Users\\olduser");

    ASSERT_TRUE(keep_path_fix(disk, tool, "本机", {trouble.folder, trouble.suggested}));
    EXPECT_TRUE(read_path_fixes(disk, tool, "别的机器").empty());
    here.fixes = read_path_fixes(disk, tool, "本机");
    p = load_project(ProjectFiles{disk, list, tool.backup_root()}, "游戏", tool, here);
    // 启动程序 starts program_file; backup and restore work on the project's state.
    EXPECT_EQ(p.program_file, "C:\\Users\\我\\游戏\\game.exe");
    EXPECT_EQ(p.save_paths_text, "C:\\Users\\我\\Saved Games\\游戏||C:\\Users\\我\\Documents\\游戏");
    const backup::ProjectState state = project_state(p, p.program_path, here);
    EXPECT_EQ(state.save_paths, (std::vector<std::string>{fs::path_of("C:\\Users\\我\\Saved Games\\游戏"), "",
                                                           fs::path_of("C:\\Users\\我\\Documents\\游戏")}));
    EXPECT_EQ(project_path_trouble(p, here, any_drive).kind, PathTrouble::none);
    EXPECT_EQ(*disk.nodes().at(list).data, text);
    // Saved again here, the paths are offered in the form that travels; the temp folder's are not.
    EXPECT_EQ(travelling_form(p.save_paths_text + "|C:\\Users\\我\\AppData\\Local\\Temp\\x", here),
              "%USERPROFILE%\\Saved Games\\游戏||<我的文档>\\游戏|C:\\Users\\我\\AppData\\Local\\Temp\\x");
}

}  // namespace
