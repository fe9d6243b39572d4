#include "backup/outcome_text.h"

namespace {

Notice plain(std::string text) { return Notice{std::move(text)}; }
Notice warning(std::string text, std::string title = "信息：") { return Notice{std::move(text), std::move(title), true}; }

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

// A restore of this project that was ended by force was taken back before this operation.
std::vector<Notice> recovered(const Outcome& o) {
    if (!o.recovered) return {};
    return {warning(interrupted_restore_text({}))};
}

// Nothing was changed: which archive (or the safety copy) stopped it, and why.
Notice unchanged_notice(const Outcome& o, const char* what) {
    std::string text = std::string(what) + "失败：";
    if (o.failed_k > 0) text += o.archives[static_cast<size_t>(o.failed_k - 1)].archive + "\r\n";
    return warning(text + o.failure + "\r\n存档保持原样，没有任何改动。");
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
    std::vector<std::string> restored, not_restored;
    for (const ArchiveResult& a : o.archives) {
        if (a.status == ArchiveResult::done) {
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

std::vector<Notice> backup_notices(const Outcome& o) { return with_recovery(o, backup_notices_of(o)); }
std::vector<Notice> restore_notices(const Outcome& o) { return with_recovery(o, restore_notices_of(o)); }

std::vector<Notice> undo_notices(const Outcome& o) {
    if (o.refusal == Outcome::declined) return recovered(o);
    if (o.refusal != Outcome::none) return with_recovery(o, {refusal_notice(o, "撤销")});
    if (!o.failure.empty()) return with_recovery(o, {unchanged_notice(o, "撤销")});
    return with_recovery(o, {Notice{"撤销完成，存档已回到上次恢复之前的样子。", "提示"}});
}
