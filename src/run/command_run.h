#pragma once
// What a run with arguments does, apart from the machine it runs on:
//   /backup <项目名>   backs the project up exactly as 备份存档 does
//   /backup-all        every project of this machine's list, one after another
//   /restore <项目名>  restores the project's newest set as 恢复按钮 does, without a question
//   /restore-all       restores every project whose save folders are missing or empty, no other
//   /play <项目名>     starts the project's program, waits until no process of its name is left,
//                      then backs it up; with 定时备份 it also backs up every so often meanwhile
//   /sync [<项目名>]   uploads the sets still waiting to go to the server, of one project or all;
//                      /backup, /backup-all and /play upload what they wrote when the project syncs
//   /verify [<项目名>] 校验 of every backup set of one project or of every project
//   /list, /help
// Results go to the console and, for backups and refusals, to the log. The exit code is 0 when
// every archive was written (or restored), 1 when some were not, 2 when the run was refused; of
// several projects the worst counts. For /verify: 0 when every set is sound, 1 when one is damaged.
#include <string>
#include <vector>

#include "run/backup_job.h"
#include "run/project_loading.h"
#include "run/restore_all.h"
#include "run/sync_service.h"

struct Command {
    enum Kind { backup, backup_all, restore, restore_all, play, sync, verify, list, help, bad } kind = bad;
    std::string project;
};

// Options are matched without regard to case and may start with "-" as well as "/".
Command parse_command(const std::vector<std::string>& args);

extern const char kUsage[];

// What a run needs from the machine.
class CommandHost {
   public:
    virtual ~CommandHost() = default;
    virtual void print(const std::string& line) = 0;                 // the console only
    virtual void report(const std::vector<std::string>& lines) = 0;  // the console and the log, timed
    virtual bool needs_legacy_migration() = 0;
    // This machine's project list as start-up chose it; "" when none is chosen yet.
    virtual std::string machine_list() = 0;
    virtual std::vector<std::string> project_names(const std::string& list) = 0;  // most recent first
    virtual CurrentProject load_project(const std::string& list, const std::string& name) = 0;
    // Decorates the folder and runs the backup job.
    virtual BackupJobResult back_up(const std::string& list, const CurrentProject& project, const BackupJob& job) = 0;
    virtual bool stamp(const std::string& list, const std::string& name) = 0;
    // The project's newest set and how its saves stand against it, as 全部恢复 shows them.
    virtual RestoreAllRow look_at(const CurrentProject& project) = 0;
    // Restores the set exactly as 恢复按钮 does, without a question.
    virtual BackupJobResult restore(const std::string& list, const CurrentProject& project,
                                    const std::string& first_archive) = 0;
    // Where /restore-all keeps what it has done, for a start after a forced end; nullptr: nowhere.
    virtual RestoreAllRecord* restore_all_record() { return nullptr; }
    // Starts the program as 启动程序 does and waits for the process the shell started, if any.
    virtual bool start_program(const std::string& program_file) = 0;
    virtual void wait_for_started_program() = 0;
    virtual bool is_program_running(const std::string& exe_name) = 0;
    virtual void pause(unsigned milliseconds) = 0;
    // Uploads the pending sets of `project` ("": all) in the list; nothing when sync is not set up.
    virtual SyncReport sync(const std::string& /*list*/, const std::string& /*project*/) { return {}; }
    // Before /play of a project that syncs: offers the newer set another machine put on the
    // server and restores it when the user says yes; offline, only the log is told.
    virtual void offer_newer_set(const std::string& /*list*/, const CurrentProject& /*project*/) {}
    // The files 校验 reads its archives from, and keeps its mark in.
    virtual fs::FileSystem& files() = 0;
};

// The exit code.
int run_command(const std::vector<std::string>& args, CommandHost& host);
