// Two machines (two tool folders, two machine ids) and one server — the real WebDAV server behind
// the fault proxy, then a shared folder — through what the program itself calls, WinHTTP and the
// user's sealing included; and the real program's /backup and /sync.
#include <gtest/gtest.h>

#include <fstream>

#include "app/sync_machine.h"
#include "backup/sets.h"
#include "config/ini.h"
#include "paths/files.h"
#include "app/startup.h"
#include "run/first_start.h"
#include "win/support/win_test.h"

namespace {

const std::string kProject = "两台 游戏";  // the server is shared with the other tests: a project of its own

std::string server(const std::string& id) {
    int plain = 0, proxy = 0;
    const char* ports = getenv("VARNOKE_WEBDAV_PORTS");
    std::ifstream(std::string("Z:") + (ports ? ports : "")) >> plain >> proxy;
    return "http://127.0.0.1:" + std::to_string(proxy) + "/f/" + id + ",none,0/";
}

struct Machine {
    Machine(const std::string& tag, const std::string& id, const std::string& address) : tool("两台" + tag) {
        setup = platform_sync_setup(wintest::disk(), wintest::on_disk(tool.path()), id);
        setup.machine.computer_name = "电脑" + tag;
        wintest::make_dirs(tool / "配置目录");
        wintest::make_dirs(folder());
        write_ini_value(tool / "配置目录\\list.ini", kProject, "同步", std::string("1"));
        EXPECT_TRUE(write_sync_settings(setup, {address, "tester", "geheim"}));
    }
    std::string folder() const { return tool / ("存档目录\\" + kProject); }
    std::string back_up(const std::string& stem, const std::string& bytes) {
        backup::Outcome o;
        o.first_done = wintest::on_disk(folder()) + "/" + backup::set_file_name(stem);
        wintest::write_bytes(fs::shown(o.first_done), bytes);
        o.archives = {{1, o.first_done, "", backup::ArchiveResult::done, "", {}}};
        EXPECT_TRUE(note_written_set(setup, read_project_options(list, kProject), kProject, o));
        return o.first_done;
    }
    wintest::TempDir tool;
    SyncSetup setup;
    ProjectFiles list{wintest::disk(), wintest::on_disk(tool / "配置目录\\list.ini"), wintest::on_disk(tool / "存档目录")};
};

TEST(TwoMachines, ShareSetsThroughAServerOrAFolderAndNeverDeleteThere) {
    wintest::TempDir share{"共享"};
    for (const std::string& address : {server("two"), share.path()}) {
        Machine a("A", "00-AA-01-7601", address), b("B", "00-BB-02-7601", address);
        a.back_up("2026年12月10日12时", "A's save");
        ASSERT_EQ(upload_pending_sets(a.setup, a.list, "").uploaded, 1) << address;
        // B is offered A's newer set, fetches it whole and makes its own, which A then sees.
        const NewerElsewhere newer = newer_on_server(b.setup, kProject, wintest::on_disk(b.folder()));
        ASSERT_TRUE(newer.newer) << newer.problem;
        EXPECT_EQ(newer.newer->machine, "电脑A");
        std::string problem;
        const auto fetched = fetch_server_set(b.setup, kProject, wintest::on_disk(b.folder()), newer.newer->remote, &problem);
        ASSERT_TRUE(fetched) << problem;
        EXPECT_EQ(wintest::read_file(fs::shown(*fetched)), "A's save");
        const std::string b_set = b.back_up("2026年12月10日13时", "B's save");
        EXPECT_EQ(upload_pending_sets(b.setup, b.list, kProject).uploaded, 1);
        ASSERT_TRUE(wintest::delete_file(fs::shown(b_set)));  // pruned on B: stays on the server
        const ServerListing seen = list_server_sets(a.setup, kProject, wintest::on_disk(a.folder()));
        ASSERT_EQ(seen.sets.size(), 2u) << seen.problem;
        EXPECT_EQ(place_text(seen.sets[0]) + place_text(seen.sets[1]), "服务器（电脑B）两处");
        for (const Machine* m : {&a, &b})
            for (const std::string& f : wintest::matching_files(m->tool / "配置目录", "*"))
                EXPECT_EQ(wintest::read_file(m->tool / ("配置目录\\" + f)).find("geheim"), std::string::npos) << f;
    }
}

// The program's own /backup of a project that syncs uploads what it wrote; /sync has nothing left.
TEST(TwoMachines, TheProgramsBackupUploadsAndSyncFindsNothingPending) {
    const std::string kProject = "程序 游戏";
    wintest::TempDir tool{"同步程序"}, saves{"同步存档"};
    ASSERT_TRUE(CopyFileA((files::executable_dir() + "\\Varnoke.exe").c_str(), (tool / "Varnoke.exe").c_str(), FALSE));
    wintest::make_dirs(tool / "配置目录");
    wintest::write_file(saves / "存档1.sav", "level 3");
    const std::string id = make_machine_id(first_adapter_address(), os_build_number());
    const std::string list = tool / "配置目录\\存档配置文件.ini";
    write_ini_value(tool / "配置目录\\系统配置文件.ini", "存档配置", id, list);
    write_ini_value(list, kProject, "存档路径", saves.path());
    write_ini_value(list, kProject, "同步", std::string("1"));
    const SyncSetup setup = platform_sync_setup(wintest::disk(), wintest::on_disk(tool.path()), id);
    ASSERT_TRUE(write_sync_settings(setup, {server("exe"), "tester", "geheim"}));
    const auto run = [&](const std::string& args) {
        return wintest::run_program("\"" + (tool / "Varnoke.exe") + "\" " + args);
    };
    EXPECT_EQ(run("/backup \"" + kProject + "\""), 0);
    const std::string log = wintest::read_file(tool / "配置目录\\varnoke.log");
    EXPECT_NE(log.find("已上传到服务器"), std::string::npos) << log;
    EXPECT_EQ(run("/sync"), 0);
    EXPECT_NE(wintest::read_file(tool / "配置目录\\varnoke.log").find("没有待上传的备份"), std::string::npos);
    EXPECT_EQ(list_server_sets(setup, kProject, wintest::on_disk(tool / ("存档目录\\" + kProject))).sets.size(), 1u);
}

}  // namespace
