#include "backup/outcome_text.h"

#include "backup/overlapping_folders.h"
#include "fs/file_names.h"

namespace backup {

namespace {

Notice plain(std::string text) { return Notice{std::move(text)}; }
Notice warning(std::string text, std::string title = "信息：") { return Notice{std::move(text), std::move(title), true}; }

// Paths of the file world become what the user reads, in place; an empty one stays empty.
void shown_paths(std::initializer_list<std::string*> paths) {
    for (std::string* path : paths)
        if (!path->empty()) *path = fs::shown(*path);
}

std::string lines(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += "\r\n" + item;
    return out;
}



// The summary after an operation that did part of its work: what was and what was not done.
Notice partial_summary(const char* what, const std::vector<std::string>& done, const std::vector<std::string>& not_done,
                       const char* title) {
    std::string text = std::string(what) + "未全部完成。";
    if (!done.empty()) text += std::string("\r\n已") + what + "：" + lines(done);
    if (!not_done.empty()) text += std::string("\r\n未能") + what + "：" + lines(not_done);
    return warning(text, title);
}

Notice refusal_notice(const Outcome& o, const char* what) {
    switch (o.refusal) {
        case Outcome::bad_name:
            return warning("项目名称“" + o.detail + "”不能用作文件夹名，请在配置中修改项目名称。");
        case Outcome::program_running:
            return plain("程序[" + o.detail + "]在运行，不能进行" + what + "！");
        case Outcome::no_save_paths:
            return plain(std::string("该项目没有设置存档路径，没有可") + what + "的存档。");
        case Outcome::declined:
            return plain("存档恢复被取消");
        case Outcome::nothing_to_undo:
            return plain("没有可以撤销的恢复。");
        default:
            return plain("");
    }
}

// What an earlier restore or undo of this project left was dealt with before this operation.
std::vector<Notice> recovered(const Outcome& o) {
    if (!o.recovery.any()) return {};
    return {warning(recovery_text(o.recovery, {}))};
}

// Which archive (or the safety copy) stopped it, and why; the archive is found by its number: an
// undo lists only the folders its restore wrote. Nothing was changed, unless a save folder went
// away before what was done could be taken back: the notice of the folders that wait says so.
Notice unchanged_notice(const Outcome& o, const char* what) {
    std::string text = std::string(what) + "失败：";
    for (const ArchiveResult& a : o.archives)
        if (o.failed_k > 0 && a.k == o.failed_k) text += a.archive + "\r\n";
    const bool taken_back = o.recovery.waiting.empty();
    return warning(text + o.failure + (taken_back ? "\r\n存档保持原样，没有任何改动。" : ""));
}

std::vector<Notice> with_recovery(const Outcome& o, std::vector<Notice> notices) {
    std::vector<Notice> all = recovered(o);
    all.insert(all.end(), notices.begin(), notices.end());
    return all;
}

}  // namespace

std::string interrupted_restore_text(const std::vector<std::string>& projects) {
    std::string text = "上次的恢复没有完成就被中断了，已经撤销：存档已回到恢复之前的样子。";
    if (!projects.empty()) text += "\r\n项目：" + lines(projects).substr(2);
    return text;
}

std::string recovery_text(const RecoveryReport& report, const std::vector<std::string>& projects) {
    RecoveryReport r = report;
    for (std::vector<std::string>* paths : {&r.waiting, &r.refused})
        for (std::string& path : *paths) shown_paths({&path});
    shown_paths({&r.damaged});
    std::vector<std::string> parts;
    switch (r.what) {
        case RecoveryReport::restore_taken_back:
            parts.push_back(interrupted_restore_text(projects));
            break;
        case RecoveryReport::undo_taken_back:
            parts.push_back("上次的撤销没有完成就被中断了，撤销没有进行：存档仍是上次恢复之后的样子。");
            break;
        case RecoveryReport::restore_completed:
            parts.push_back("上次的恢复在中断前已经完成：存档已是恢复之后的样子。");
            break;
        case RecoveryReport::undo_completed:
            parts.push_back("上次的撤销在中断前已经完成：存档已回到恢复之前的样子。");
            break;
        case RecoveryReport::nothing:
            break;
    }
    if (r.what != RecoveryReport::restore_taken_back && r.what != RecoveryReport::nothing && !projects.empty())
        parts.back() += "\r\n项目：" + lines(projects).substr(2);
    if (r.what == RecoveryReport::nothing && !projects.empty()) parts.push_back("项目：" + lines(projects).substr(2));
    if (r.record_lost) parts.push_back("无法保存撤销记录：这次恢复不能撤销。");
    if (!r.waiting.empty())
        parts.push_back("以下存档文件夹暂时无法访问（或文件被占用），恢复记录已保留，下次启动或操作时再处理：" + lines(r.waiting));
    if (!r.refused.empty())
        parts.push_back("恢复记录中有不属于这个项目存档文件夹的路径，没有执行：" + lines(r.refused));
    if (!r.damaged.empty()) parts.push_back("恢复记录无法使用，已改名保留：\r\n" + r.damaged);
    std::string text;
    for (const std::string& p : parts) text += (text.empty() ? "" : "\r\n") + p;
    return text;
}

std::string startup_recovery_text(const std::vector<std::pair<std::string, RecoveryReport>>& reports) {
    std::vector<std::string> taken_back;
    for (const auto& [project, report] : reports)
        if (report.what == RecoveryReport::restore_taken_back && !report.any_more()) taken_back.push_back(project);
    std::string text = taken_back.empty() ? "" : interrupted_restore_text(taken_back);
    for (const auto& [project, report] : reports) {
        if (report.what == RecoveryReport::restore_taken_back && !report.any_more()) continue;
        text += (text.empty() ? "" : "\r\n\r\n") + recovery_text(report, {project});
    }
    return text;
}

namespace {

std::vector<Notice> backup_notices_of(const Outcome& o) {
    if (o.refusal != Outcome::none) return {refusal_notice(o, "备份")};
    std::vector<Notice> notices;
    std::vector<std::string> written, not_written;
    bool others_left = false;
    for (const ArchiveResult& a : o.archives) {
        if (a.status == ArchiveResult::folder_missing) notices.push_back(plain("存档 " + a.folder + " 不存在"));
        if (a.status == ArchiveResult::failed) {
            notices.push_back(warning("备份失败：" + a.archive + "\r\n" + a.reason));
            not_written.push_back(a.folder);
        }
        if (a.status == ArchiveResult::done) written.push_back(a.archive);
        others_left = others_left || a.status == ArchiveResult::not_tried;
        for (const std::string& s : a.skipped) not_written.push_back(s);
    }
    if (others_left)
        notices.push_back(warning("第一个存档位置没有备份，其余存档位置也没有备份：恢复要从第一个备份文件开始。"));
    if (!o.overlapping.empty()) notices.push_back(warning(overlap_text(o.overlapping) + "\r\n请在配置中修改存档路径。"));
    if (o.first_done.empty()) return notices;
    if (not_written.empty())
        notices.push_back(Notice{"备份完成，备份文件为： \r\n" + o.first_done, "提示："});
    else
        notices.push_back(partial_summary("备份", written, not_written, "提示："));
    return notices;
}

std::vector<Notice> restore_notices_of(const Outcome& o) {
    if (o.refusal == Outcome::cancelled) return {};
    if (o.refusal != Outcome::none) return {refusal_notice(o, "恢复")};
    if (!o.failure.empty()) return {unchanged_notice(o, "恢复")};
    std::vector<Notice> notices;
    if (o.record_lost) notices.push_back(warning("无法保存撤销记录：这次恢复不能撤销。"));
    std::vector<std::string> restored, not_restored;
    for (const ArchiveResult& a : o.archives) {
        if (a.status == ArchiveResult::done || a.status == ArchiveResult::covered) {
            restored.push_back(a.archive);
            continue;
        }
        std::string why = a.status == ArchiveResult::no_target        ? "存档路径为空，没有恢复的位置。"
                          : a.status == ArchiveResult::archive_missing ? "备份文件不存在。"
                                                                        : a.reason;
        notices.push_back(warning("恢复失败：" + a.archive + "\r\n" + why));
        not_restored.push_back(a.archive);
    }
    if (restored.empty()) return notices;
    if (not_restored.empty())
        notices.push_back(Notice{"恢复完成，恢复文件为：\r\n" + o.first_done, "提示"});
    else
        notices.push_back(partial_summary("恢复", restored, not_restored, "提示"));
    return notices;
}

}  // namespace

Outcome as_shown(Outcome o) {
    for (ArchiveResult& a : o.archives) shown_paths({&a.archive, &a.folder});
    shown_paths({&o.first_done, &o.safety_copy});
    return o;
}

std::vector<Notice> backup_notices(const Outcome& outcome) {
    const Outcome o = as_shown(outcome);
    return with_recovery(o, backup_notices_of(o));
}

std::vector<Notice> restore_notices(const Outcome& outcome) {
    const Outcome o = as_shown(outcome);
    return with_recovery(o, restore_notices_of(o));
}

std::vector<Notice> undo_notices(const Outcome& outcome) {
    const Outcome o = as_shown(outcome);
    if (o.refusal == Outcome::declined) return recovered(o);
    if (o.refusal != Outcome::none) return with_recovery(o, {refusal_notice(o, "撤销")});
    if (!o.failure.empty()) return with_recovery(o, {unchanged_notice(o, "撤销")});
    return with_recovery(o, {Notice{"撤销完成，存档已回到上次恢复之前的样子。", "提示"}});
}

}  // namespace backup
