#pragma once
// What backups and restores that run by themselves tell the user: never a box over the game, but
// a notification, a line in the log, and a failure that stays in sight until the user looks.
#include <string>
#include <vector>

#include "backup/operations.h"
#include "run/backup_job.h"

struct Note {
    std::string text;                    // the notification, one or a few lines
    std::vector<std::string> log_lines;  // for varnoke.log, each naming the project
    bool failure = false;                // stays in the tray tooltip and the progress line
    bool quiet = false;                  // the log only: a timed backup skipped is no news
};

// The seam the window tells through; tests count what it is told.
class Notifier {
   public:
    virtual ~Notifier() = default;
    virtual void notify(const Note& note) = 0;
};

// `what` names the backup: "定时备份", "快速备份", "退出后备份".
Note backup_note(const std::string& project, const std::string& what, const BackupJobResult& job, bool timed);
Note quick_restore_note(const std::string& project, const backup::Outcome& outcome);
// The first press of 快速恢复: which set a second press would restore.
Note quick_restore_armed_note(const std::string& project, const std::string& set_time);
Note nothing_to_restore_note(const std::string& project);
