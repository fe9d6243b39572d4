// One backup as the window and the command line run it: packed, pruned, stamped, and the exit code
// that says whether all of it worked.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "config/names.h"
#include "paths/time_text.h"
#include "run/backup_job.h"

namespace {

class FakeSystem : public BackupSystem {
   public:
    std::set<std::string> dirs;
    bool running = false;
    bool directory_exists(const std::string& p) override { return dirs.count(p) > 0; }
    bool file_exists(const std::string&) override { return false; }
    bool create_directory(const std::string& p) override { return dirs.insert(p).second; }
    bool is_program_running(const std::string&) override { return running; }
    void remove_leftovers(const std::string&) override {}
    zip::Result compress(const std::string&, const std::string& archive, const zip::ProgressFn&) override {
        written.push_back(archive);
        return {};
    }
    RestoreSetResult restore_set(const RestoreRequest&, const RestoreEvents&) override { return {}; }
    RestoreSetResult undo_restore(const std::string&, const RestoreEvents&) override { return {}; }
    bool has_restore_to_undo(const std::string&) override { return false; }
    bool recover(const std::string&) override { return false; }
    std::vector<std::string> written;
};

class NoView : public ProgressView {
    void set_percent(int) override {}
    void set_status(const std::string&) override {}
    void set_counter(const std::string&) override {}
};

class FakeFolder : public ArchiveFolder {
   public:
    std::vector<std::string> names;
    bool deletes = true;
    std::vector<std::string> file_names(const std::string&) override { return names; }
    bool delete_file(const std::string&) override { return deletes; }
};

class FakeStamp : public OperationStamp {
   public:
    bool works = true;
    std::vector<std::string> stamped;
    bool stamp(const std::string& project) override {
        stamped.push_back(project);
        return works;
    }
};

struct Case {
    const char* what;
    bool running, save_folder_exists, deletes, stamp_works;
    int keep;
    int code;
    size_t deleted;
};

class BackupJobCases : public ::testing::TestWithParam<Case> {};

TEST_P(BackupJobCases, PacksPrunesStampsAndCountsEveryFailure) {
    const Case& c = GetParam();
    FakeSystem system;
    system.running = c.running;
    if (c.save_folder_exists) system.dirs.insert("C:\\存档");
    NoView view;
    BackupRunner runner(system, view);
    FakeFolder folder;
    folder.names = {"2020年1月1日.zip", "2020年1月2日.zip", "Desktop.ini"};
    folder.deletes = c.deletes;
    FakeStamp stamp;
    stamp.works = c.stamp_works;
    const ProjectState project{"游戏", "D:\\游戏\\game.exe", {"C:\\存档"}, "E:\\存档目录\\游戏"};

    const BackupJobResult r = run_backup_job(runner, folder, stamp, project, c.keep);

    EXPECT_EQ(r.run_result(), c.code);
    EXPECT_EQ(stamp.stamped, std::vector<std::string>{"游戏"});  // refusals included
    EXPECT_EQ(r.stamped, c.stamp_works);
    EXPECT_EQ((c.deletes ? r.pruned.deleted : r.pruned.failed).size(), c.deleted);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, BackupJobCases,
    ::testing::Values(Case{"written", false, true, true, true, 0, 0, 0},
                      Case{"written, keeping two", false, true, true, true, 2, 0, 1},
                      Case{"an old set that stays", false, true, false, true, 2, 1, 1},
                      Case{"a stamp not written", false, true, true, false, 0, 1, 0},
                      Case{"a missing folder prunes nothing", false, false, true, true, 1, 1, 0},
                      Case{"a running program, stamp failing too", true, true, true, false, 1, 2, 0}),
    [](const ::testing::TestParamInfo<Case>& info) { return "case" + std::to_string(info.index); });

class FakeStore : public ProjectStore {
   public:
    std::map<std::string, std::string> values;  // "project/key"
    bool writes = true;
    std::string read(const std::string& p, const std::string& k) override { return values[p + "/" + k]; }
    bool write(const std::string& p, const std::string& k, const std::string& v) override {
        if (writes) values[p + "/" + k] = v;
        return writes;
    }
    bool remove(const std::string&) override { return writes; }
    bool remove_key(const std::string&, const std::string&) override { return writes; }
    bool backup_folder_exists(const std::string&) override { return false; }
    bool rename_backup_folder(const std::string&, const std::string&) override { return writes; }
};

TEST(StampProjectChecked, TellsAFailedWriteAndWritesNothingForANamelessProject) {
    set_clock_for_tests([] { return DateTime{2011, 10, 22, 9, 5, 7}; });
    FakeStore store;
    EXPECT_TRUE(stamp_project_checked(store, "游戏"));
    EXPECT_EQ(store.values["游戏/" + std::string(names::kOperationTimeKey)], "2011年10月22日9时5分7秒");
    EXPECT_TRUE(stamp_project_checked(store, ""));
    EXPECT_EQ(store.values.size(), 1u);
    store.writes = false;
    EXPECT_FALSE(stamp_project_checked(store, "游戏"));
    set_clock_for_tests(nullptr);
}

}  // namespace
