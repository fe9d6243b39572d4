#include "run/run_log.h"

#include <cstdio>

#include "backup/backup_report.h"
#include "config/config_lock.h"
#include "config/names.h"
#include "paths/time_text.h"

std::string log_time() {
    const DateTime t = now_local();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buf;
}

std::vector<std::string> append_run_log(fs::FileSystem& fs, const std::string& config_dir,
                                        const std::vector<std::string>& lines) {
    std::vector<std::string> timed;
    for (const std::string& l : lines) timed.push_back(log_time() + " " + l);
    if (!fs.is_folder(config_dir)) return timed;
    ConfigFilesLock lock;  // another run may be appending too
    const std::string path = fs::join_path(config_dir, names::kRunLogFile);
    const std::string existing = fs::read_whole_file(fs, path, 4 * kRunLogLimit).value_or("");
    fs::write_file_atomically(fs, path, backup::bounded_log(existing, timed, kRunLogLimit));
    return timed;
}
