// Two machines, one server (a shared folder here; the real WebDAV server runs under Wine): what one
// backs up the other sees, fetches whole and checked, and nothing is ever deleted there.
#include <gtest/gtest.h>

#include "backup/backup_info.h"
#include "backup/sets.h"
#include "config/names.h"
#include "fs/memory_file_system.h"
#include "run/server_history.h"
#include "run/sync_service.h"

namespace {

const std::string kProject = "游戏";
const std::string kStem = "2026年12月10日12时3分4秒", kLater = "2026年12月10日13时";

struct Sealer : syncing::SecretProtector {
    std::optional<std::string> protect(const std::string& s) override { return "sealed:" + std::string(s.rbegin(), s.rend()); }
    std::optional<std::string> unprotect(const std::string& s) override {
        return s.rfind("sealed:", 0) == 0 ? std::optional<std::string>(std::string(s.rbegin(), s.rend() - 7)) : std::nullopt;
    }
};

struct Machine {
    Machine(fs::MemoryFileSystem& disk, const std::string& tool, const std::string& id, const std::string& name)
        : list{disk, tool + "/list.ini", tool + "/" + names::kBackupDir} {
        setup.fs = &disk;
        setup.tool = ToolFolders{tool};
        setup.machine = {id, name};
        setup.protector = &sealer;
        disk.add_dir(tool);
        fs::make_dirs(disk, setup.tool.config_dir());
        fs::make_dirs(disk, folder());
        disk.add_file(list.file, "[" + kProject + "]\r\n同步=1\r\n");
        EXPECT_TRUE(write_sync_settings(setup, {"/server", "tester", "geheim"}));
    }
    std::string folder() const { return setup.tool.backup_folder(kProject); }
    // A backup that wrote archive 1 and found save folder 2 missing.
    backup::Outcome back_up(fs::MemoryFileSystem& disk, const std::string& stem, const std::string& bytes) {
        backup::Outcome o;
        o.first_done = folder() + "/" + backup::set_file_name(stem);
        disk.add_file(o.first_done, bytes);
        o.archives = {{1, o.first_done, "", backup::ArchiveResult::done, "", {}},
                      {2, "", "", backup::ArchiveResult::folder_missing, "", {}}};
        return o;
    }
    Sealer sealer;
    SyncSetup setup;
    ProjectFiles list;
};

TEST(SyncService, TwoMachinesShareSetsThroughOneServerAndNothingIsDeletedThere) {
    fs::MemoryFileSystem disk;
    disk.add_dir("/server");
    Machine a(disk, "/toolA", "00-AA-7601", "客厅电脑"), b(disk, "/toolB", "00-BB-7601", "笔记本");
    // The password is kept sealed only, and read back.
    const std::string system = *fs::read_whole_file(disk, a.setup.tool.system_config_path(), 1 << 16);
    EXPECT_EQ(system.find("geheim"), std::string::npos);
    EXPECT_EQ(read_sync_settings(a.setup).password, "geheim");

    backup::Outcome failed = a.back_up(disk, kLater, "x");
    failed.archives[1].status = backup::ArchiveResult::failed;
    EXPECT_FALSE(note_written_set(a.setup, {}, kProject, a.back_up(disk, kStem, "A's save")));  // 同步 off
    EXPECT_FALSE(note_written_set(a.setup, read_project_options(a.list, kProject), kProject, failed));
    disk.remove_file(failed.first_done);
    ASSERT_TRUE(note_written_set(a.setup, read_project_options(a.list, kProject), kProject,
                                 a.back_up(disk, kStem, "A's save")));
    backup::BackupInfo(disk, a.folder()).set_kind(kStem + ".zip", "退出后");
    std::vector<std::string> told;
    const SyncReport up = upload_pending_sets(a.setup, a.list, "", [&](const std::string& p, const std::string& f) {
        told.push_back(p + "/" + f);
    });
    EXPECT_EQ(up.uploaded, 1);
    EXPECT_EQ(up.exit_code(), 0);
    EXPECT_EQ(told.size(), 2u);  // the archive, then its metadata
    EXPECT_EQ(upload_pending_sets(a.setup, a.list, "").log_lines.size(), 0u);  // nothing left pending

    // B sees it as the server's, made by A, newer than anything B has; B fetches it whole.
    ServerListing seen = list_server_sets(b.setup, kProject, b.folder());
    ASSERT_EQ(seen.sets.size(), 1u);
    EXPECT_EQ(place_text(seen.sets[0]), "服务器（客厅电脑）");
    const NewerElsewhere newer = newer_on_server(b.setup, kProject, b.folder());
    ASSERT_TRUE(newer.newer && !newer.both_changed);
    EXPECT_EQ(newer_question(newer).find("服务器上有 客厅电脑 在 " + kStem + " 备份的存档，比本机的新。"), 0u);
    std::string problem;
    const auto first = fetch_server_set(b.setup, kProject, b.folder(), seen.sets[0].remote, &problem);
    ASSERT_TRUE(first) << problem;
    EXPECT_EQ(*fs::read_whole_file(disk, *first, 100), "A's save");
    EXPECT_EQ(backup::BackupInfo(disk, b.folder()).of(kStem + ".zip").kind, "退出后");
    EXPECT_EQ(place_text(list_server_sets(b.setup, kProject, b.folder()).sets[0]), "两处（客厅电脑）");
    EXPECT_FALSE(newer_on_server(b.setup, kProject, b.folder()).newer);

    // A pruned set stays on the server; A sees it there only.
    ASSERT_TRUE(disk.remove_file(a.folder() + "/" + backup::set_file_name(kStem)));
    seen = list_server_sets(a.setup, kProject, a.folder());
    ASSERT_EQ(seen.sets.size(), 1u);
    EXPECT_EQ(place_text(seen.sets[0]), "服务器");

    // A set changed on the server after its metadata was written is refused and leaves nothing.
    std::vector<fs::DirEntry> files;
    disk.list_dir("/server/Varnoke/" + fs::path_of(kProject), &files);
    for (const fs::DirEntry& f : files)
        if (f.name.find(".zip") != std::string::npos) disk.add_file("/server/Varnoke/" + fs::path_of(kProject) + "/" + f.name, "A's sAve");
    EXPECT_FALSE(fetch_server_set(a.setup, kProject, a.folder(), seen.sets[0].remote, &problem));
    EXPECT_NE(problem.find("校验码"), std::string::npos);
    EXPECT_TRUE(local_sets(disk, a.folder()).empty());
}

TEST(SyncService, HistoryRowsShowWhereEachSetIs) {
    std::vector<backup::HistoryRow> rows(3);
    rows[0].set.stem = kLater;
    rows[1].set.stem = kStem;
    rows[2].set.stem = kStem;
    rows[2].safety_copy = true;
    ServerListing listing;
    listing.sets = {{kStem, true, true, "客厅电脑", {}}, {"2026年12月9日1时0分0秒", false, true, "", {}},
                    {kLater, true, false, "", {}}};
    listing.sets[1].remote.metadata.archives = {{1, 100, 0}, {2, 20, 0}};
    listing.sets[1].remote.metadata.kind = "自动";
    add_server_sets(rows, listing, 2);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].place + rows[1].place + rows[2].place, "本机两处（客厅电脑）");
    EXPECT_EQ(rows[3].place, "服务器");
    EXPECT_EQ(rows[3].server, 1);
    EXPECT_EQ(rows[3].size, 120u);
    EXPECT_EQ(backup::folders_text(rows[3]) + rows[3].info.kind, "2/2自动");
}

}  // namespace
