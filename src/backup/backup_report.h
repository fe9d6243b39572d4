#pragma once
// What a backup run without a window reports, for the console and the log: one line per archive,
// refusal or deleted old backup. Also the exit code of such a run and the bounded log.
#include <string>
#include <vector>

#include "backup/operation_types.h"
#include "backup/outcome_text.h"
#include "backup/retention.h"

namespace backup {

// Exit codes of a run without a window; of several projects the worst counts.
enum RunResult : int { kAllWritten = 0, kSomeFailed = 1, kRefused = 2 };
RunResult run_result(const Outcome& outcome);
inline RunResult worse(RunResult a, RunResult b) {
    return a > b ? a : b;
}

// Lines for one project's backup, each starting with the project's name.
std::vector<std::string> backup_report_lines(const std::string& project, const Outcome& outcome,
                                             const PruneResult& pruned);

// Old backups that could not be deleted, for the main window; nothing when all went.
std::vector<Notice> prune_notices(const PruneResult& pruned);

// The log text after appending `lines` (each ended with "\r\n"), the oldest lines dropped so that
// it stays within `limit` bytes.
std::string bounded_log(const std::string& existing, const std::vector<std::string>& lines, size_t limit);

}  // namespace backup
