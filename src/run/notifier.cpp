#include "run/notifier.h"

#include "backup/outcome_text.h"
#include "paths/gbk_text.h"
#include "run/save_changes.h"

namespace {

std::string joined(const std::vector<backup::Notice>& notices) {
    std::string text;
    for (const backup::Notice& n : notices) text += (text.empty() ? "" : "\r\n") + n.text;
    return text;
}

}  // namespace

Note backup_note(const std::string& project, const std::string& what, const BackupJobResult& job, bool timed) {
    Note note;
    if (job.unchanged) {
        note.text = project + " " + what + "：" + kUnchangedText;
        note.log_lines = {unchanged_text(project)};
        note.quiet = timed;
        return note;
    }
    note.log_lines = backup::backup_report_lines(project, job.outcome, job.pruned);
    if (!job.stamped) note.log_lines.push_back(stamp_failure_text(project));
    note.failure = job.run_result() != backup::kAllWritten;
    // A balloon holds little: the reasons (a file the game holds open) come before the paths.
    std::string reasons;
    for (const backup::ArchiveResult& a : job.outcome.archives)
        if (a.status == backup::ArchiveResult::failed) reasons += a.reason + "\r\n";
    note.text = project + " " + what + (note.failure ? "未完成：\r\n" : "完成：\r\n") + reasons +
                joined(backup::backup_notices(job.outcome));
    for (std::string& line : note.log_lines) line = what + " " + line;
    return note;
}

Note quick_restore_note(const std::string& project, const backup::Outcome& outcome) {
    Note note;
    note.failure = outcome.first_done.empty();
    note.text = project + (note.failure ? " 快速恢复未完成：\r\n" : " 快速恢复完成：\r\n") + joined(backup::restore_notices(outcome));
    for (const backup::Notice& n : backup::restore_notices(outcome)) note.log_lines.push_back("快速恢复 " + project + "：" + n.text);
    for (std::string& line : note.log_lines) line = gbk::replace_all(line, "\r\n", " ");
    return note;
}

Note quick_restore_armed_note(const std::string& project, const std::string& set_time) {
    return {project + "：再按一次恢复 " + set_time + " 的备份", {}, false, false};
}

Note nothing_to_restore_note(const std::string& project) {
    const std::string text = project + "：没有可恢复的备份";
    return {text, {"快速恢复 " + text}, true, false};
}
