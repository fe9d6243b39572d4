#include "backup/backup_report.h"

#include "backup/overlapping_folders.h"
#include "fs/file_names.h"

namespace backup {

namespace {

// A reason from the system may span lines; the log keeps one line per event.
std::string one_line(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

std::string archive_line(const ArchiveResult& a) {
    switch (a.status) {
        case ArchiveResult::done: {
            if (a.skipped.empty()) return "备份完成：" + a.archive;
            std::string left_out;
            for (const std::string& s : a.skipped) left_out += (left_out.empty() ? "" : "；") + s;
            return "备份未全部完成：" + a.archive + "，未能备份：" + one_line(left_out);
        }
        case ArchiveResult::folder_missing:
            return "存档 " + a.folder + " 不存在";
        case ArchiveResult::failed:
            return "备份失败：" + a.archive + "：" + one_line(a.reason);
        case ArchiveResult::not_tried:
            return "未备份：" + a.folder + "（第一个存档位置没有备份）";
        default:
            return "";
    }
}

}  // namespace

RunResult run_result(const Outcome& o) {
    if (o.refusal != Outcome::none) return kRefused;
    return o.complete() ? kAllWritten : kSomeFailed;
}

std::vector<std::string> backup_report_lines(const std::string& project, const Outcome& o,
                                             const PruneResult& pruned) {
    const std::string who = project + "：";
    std::vector<std::string> lines;
    if (o.refusal != Outcome::none) {
        for (const Notice& n : backup_notices(o)) lines.push_back(who + one_line(n.text));
        return lines;
    }
    if (o.recovery.any()) lines.push_back(who + one_line(recovery_text(o.recovery, {})));
    for (const ArchiveResult& a : as_shown(o).archives) lines.push_back(who + archive_line(a));
    if (!o.overlapping.empty()) lines.push_back(who + one_line(overlap_text(o.overlapping)));
    for (const std::string& p : pruned.deleted) lines.push_back(who + fs::named("删除旧备份：", p));
    for (const std::string& p : pruned.failed) lines.push_back(who + fs::named("未能删除旧备份：", p));
    return lines;
}

std::vector<Notice> prune_notices(const PruneResult& pruned) {
    if (pruned.failed.empty()) return {};
    std::string text = "以下旧备份未能删除：";
    for (const std::string& p : pruned.failed) text += fs::named("\r\n", p);
    return {Notice{text, "信息：", true}};
}

std::string bounded_log(const std::string& existing, const std::vector<std::string>& lines, size_t limit) {
    std::string log = existing;
    if (!log.empty() && log.back() != '\n') log += "\r\n";  // a line cut short by a crash stays a line
    for (const std::string& line : lines) log += line + "\r\n";
    if (log.size() <= limit) return log;
    // Drop whole lines from the front; a single line longer than the limit goes too.
    size_t start = log.size() - limit;
    if (start > 0 && log[start - 1] != '\n') {
        size_t next = log.find('\n', start);
        start = next == std::string::npos ? log.size() : next + 1;
    }
    return log.substr(start);
}

}  // namespace backup
