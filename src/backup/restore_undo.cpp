// Undo of the last restore: the same transaction with the safety copy as its source. The files the
// restore replaced come back with their times and attributes, what it added goes, the rest stays.
#include <set>

#include "backup/restore_internal.h"

namespace backup {

namespace restore_internal {
namespace {

// The files the restore replaced come back from the safety copy, staged beside them.
bool stage_replaced(const Project& p, const RestoredFolder& f, const RestoreEvents& events, Attempt& a,
                    RestoreJournal& j, RestoredFolder& undone) {
    if (f.replaced.empty()) return true;
    ArchiveResult& r = a.result.archives.back();
    std::set<std::string> wanted;
    for (const ReplacedFile& file : f.replaced) wanted.insert(file.relative);
    zip::StagedExtraction staged;
    zip::Result z = zip::stage_extraction(r.archive, r.folder, [&](const zip::Progress& pr) {
        if (events.progress) events.progress(f.k, pr);
    }, staging_options(p.fs, events), &staged, [&wanted](const std::string& rel) { return wanted.count(rel) > 0; });
    std::size_t files = staged.files.size() + staged.identical.size();
    for (const auto& nf : staged.folders) files += nf.files.size();
    // Every file the restore replaced must come back, or none does.
    if (z.ok && files != wanted.size()) z = zip::Result{false, "原存档中缺少文件：" + r.archive, {}};
    if (!z.ok) {
        a.result.failure = z.error;
        a.result.failed_k = f.k;
        return false;
    }
    a.result.failure = add_moves(p.fs, staged, j, undone);
    if (!a.result.failure.empty()) {
        a.result.failed_k = f.k;
        return false;
    }
    undone.replaced = f.replaced;  // the times and attributes they come back with
    return true;
}

// What the restore added goes aside now and away once the undo has succeeded.
void set_created_aside(const RestoredFolder& f, RestoreJournal& j) {
    for (const std::string& rel : f.created) {
        const std::string target = fs::join_path(f.folder, rel);
        const std::string aside = fs::sibling_temp_path(target);
        j.moves.push_back({target, aside, "", true});
        j.cleanup.push_back(aside);
    }
    j.empty_dirs.insert(j.empty_dirs.end(), f.new_dirs.begin(), f.new_dirs.end());
}

}  // namespace
}  // namespace restore_internal

using namespace restore_internal;

RestoreSetResult undo_last_restore(fs::FileSystem& fs, const ProjectFolders& project, const RestoreEvents& events) {
    const Project p(fs, project, events.threads);
    Attempt a;
    if (!ready(p, a.result)) return a.result;
    RestoreJournal last;
    const JournalRead read = read_journal(fs, p.last_record(), &last);
    if (read == JournalRead::missing) {
        a.result.failure = "没有可以撤销的恢复。";
        return a.result;
    }
    if (read == JournalRead::unreadable) {
        a.result.failure = fs::named("无法读取撤销记录：", p.last_record());
        return a.result;
    }
    const std::vector<std::string> outside = read == JournalRead::ok ? paths_outside(last, p.folders(), p.safety)
                                                                     : std::vector<std::string>{};
    if (read == JournalRead::damaged || !last.whole || !outside.empty()) {
        a.result.recovery.refused = outside;
        a.result.recovery.damaged = keep_as_damaged(p, p.last_record());
        a.result.failure = "撤销记录无法使用，没有撤销。";
        return a.result;
    }
    RestoreJournal j;
    j.kind = RestoreJournal::undo;
    j.archive = last.archive;
    // A folder there now names its copy, as in a restore's journal: it must be there to be swept.
    for (const RestoredFolder& f : last.folders)
        j.folders.push_back({f.k, f.folder, fs.is_folder(f.folder) ? f.safety_copy : "", {}, {}, {}});
    if (!write_journal(fs, p.journal(), j)) {
        a.result.failure = fs::named("无法写入恢复记录：", p.safety);
        return a.result;
    }
    for (std::size_t i = 0; i < last.folders.size(); ++i) {
        const RestoredFolder& f = last.folders[i];
        ArchiveResult r;
        r.k = f.k;
        r.folder = f.folder;
        r.archive = f.safety_copy;
        a.result.archives.push_back(r);
        if (!stage_replaced(p, f, events, a, j, j.folders[i])) return abandon(p, a, j);
        set_created_aside(f, j);
        if (events.archive_ready) events.archive_ready(f.k);
    }
    if (!swap_into_place(p, events, a, j)) return abandon(p, a, j);
    return a.result;
}

bool has_restore_to_undo(fs::FileSystem& fs, const std::string& backup_folder) {
    return fs.exists(Project(fs, {backup_folder, {}}).last_record());
}

}  // namespace backup
