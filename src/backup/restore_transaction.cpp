// The restore transaction: plan the set, stage every archive beside its target, swap the files into
// place under the journal, pack the safety copy and keep the record of what was done for the undo.
// Any failure before the journal says "committed" takes everything back.
#include <atomic>
#include <mutex>
#include <thread>

#include "backup/overlapping_folders.h"
#include "backup/restore_internal.h"
#include "backup/sets.h"

namespace backup {

namespace restore_internal {

namespace {

// Why one move failed, naming the file.
std::string move_failure(fs::FileSystem& fs, const FileMove& m) {
    const bool from_ours = fs::is_temporary_name(name_of(m.from));
    const std::string& file = from_ours ? m.to : m.from;  // the save's own
    if (!fs.exists(m.from)) return fs::named("文件在恢复过程中消失了：", m.from);
    if (from_ours && fs.exists(m.to)) return fs::named("文件在恢复过程中被其他程序创建：", m.to);
    return fs::named("无法替换文件（可能正被其他程序使用）：", file);
}

// Does the moves, never over an existing file, several files at once (a move that follows another
// is done after it); stops at the first that fails and returns the reason ("" when all were done).
// The caller takes back.
std::string commit_moves(fs::FileSystem& fs, const RestoreJournal& j, unsigned threads) {
    std::vector<std::pair<std::size_t, std::size_t>> units;  // [first, end) of moves done in order
    for (std::size_t i = 0; i < j.moves.size(); ++i)
        if (j.moves[i].follows && !units.empty()) units.back().second = i + 1;
        else units.emplace_back(i, i + 1);
    std::mutex mu;
    std::string error;
    run_steps(units.size(), file_call_workers(threads), [&](std::size_t u) {
        for (std::size_t i = units[u].first; i < units[u].second; ++i) {
            const FileMove& m = j.moves[i];
            if (fs.rename(m.from, m.to)) continue;
            if (m.optional && !fs.exists(m.from) && !fs.exists(m.to)) continue;
            std::lock_guard<std::mutex> lock(mu);
            if (error.empty()) error = move_failure(fs, m);
            return false;
        }
        return true;
    });
    return error;
}

std::vector<ArchiveResult> plan_set(fs::FileSystem& fs, const RestoreRequest& request) {
    std::vector<ArchiveResult> set;
    for (std::size_t i = 0; i < request.save_paths.size(); ++i) {
        ArchiveResult r;
        r.k = static_cast<int>(i) + 1;
        r.archive = archive_name(request.first_archive, r.k);
        r.folder = request.save_paths[i];
        if (r.folder.empty())
            r.status = ArchiveResult::no_target;  // never "here": nothing goes into the current folder
        else if (!fs.exists(r.archive))
            r.status = ArchiveResult::archive_missing;
        set.push_back(r);
    }
    // Folders that overlap: the outer folder's archive holds the inner one's files too, and each
    // file is moved once.
    std::vector<std::string> present;
    for (const ArchiveResult& r : set) present.push_back(r.status == ArchiveResult::done ? r.folder : "");
    for (ArchiveResult& r : set)
        if (r.status == ArchiveResult::done && folder_containing(present, r.k)) r.status = ArchiveResult::covered;
    return set;
}

bool any_to_do(const Attempt& a) {
    for (const ArchiveResult& r : a.result.archives)
        if (r.status == ArchiveResult::done) return true;
    return false;
}

// Every archive that is there must open and hold only safe names before anything is written.
bool check_all(fs::FileSystem& fs, Attempt& a) {
    zip::Options options;
    options.fs = &fs;
    for (const ArchiveResult& r : a.result.archives) {
        if (r.status != ArchiveResult::done) continue;
        zip::Result z = zip::check_archive(r.archive, options);
        if (z.ok) continue;
        a.result.failure = z.error;
        a.result.failed_k = r.k;
        return false;
    }
    return true;
}

// Stages every archive and records the moves; false (with the reason) when one cannot be.
bool stage_all(const Project& p, const RestoreEvents& events, Attempt& a, RestoreJournal& j) {
    for (ArchiveResult& r : a.result.archives) {
        if (r.status != ArchiveResult::done) continue;
        zip::StagedExtraction staged;
        zip::Options options = staging_options(p.fs, events);
        options.leave_out = a.leave_out;
        zip::Result z = zip::stage_extraction(r.archive, r.folder, [&](const zip::Progress& pr) {
            if (events.progress) events.progress(r.k, pr);
        }, options, &staged);
        if (!z.ok) {
            a.result.failure = z.error;
            a.result.failed_k = r.k;
            return false;
        }
        for (RestoredFolder& f : j.folders)
            if (f.k == r.k) a.result.failure = add_moves(p.fs, staged, j, f, &a.replaced[r.k]);
        if (!a.result.failure.empty()) {
            a.result.failed_k = r.k;
            return false;
        }
        // A file it replaces must be in the safety copy: a folder thought missing then is not.
        for (const auto& f : staged.files)
            if (f.replaces && copy_of(a, r.k).empty()) {
                a.result.failure = "无法保存原存档，恢复已取消：" + r.folder;
                return false;
            }
        if (events.archive_ready) events.archive_ready(r.k);
    }
    return true;
}

// The undo record in place is the last committed restore's: it moves aside with the journal's
// first move, comes back if the journal is taken back and goes once it has committed. One that
// cannot be read is kept under a name that says so rather than lost.
bool set_record_aside(const Project& p, RestoreJournal& j, RestoreSetResult& result) {
    if (!p.fs.exists(p.last_record())) return true;
    RestoreJournal last;
    const JournalRead read = read_journal(p.fs, p.last_record(), &last);
    if (read == JournalRead::unreadable) return false;
    if (read == JournalRead::damaged || !paths_outside(last, p.folders(), p.safety).empty()) {
        result.recovery.damaged = keep_as_damaged(p, p.last_record());
        return !result.recovery.damaged.empty();
    }
    // Not a temporary name: the leftovers of a backup are swept from that folder.
    const std::string aside = p.file(restore_files::kRecordAside);
    j.moves.insert(j.moves.begin(), {p.last_record(), aside, ""});
    j.cleanup.push_back(aside);
    return true;
}

}  // namespace

// File calls mostly wait for the system (under Wine, for its server): several are kept under way at
// once. With a number of threads given (tests give one, to fail each call in turn), that many.
unsigned file_call_workers(unsigned threads) { return threads ? threads : 4; }

// Calls `step(i)` for every i below `count` on up to `workers` threads; once a step returns false no
// new one starts.
void run_steps(std::size_t count, unsigned workers, const std::function<bool(std::size_t)>& step) {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    auto work = [&] {
        for (std::size_t i; !stop && (i = next++) < count;)
            if (!step(i)) stop = true;
    };
    std::vector<std::thread> others;
    for (std::size_t w = 1; w < std::min<std::size_t>(workers, count); ++w) others.emplace_back(work);
    work();
    for (std::thread& t : others) t.join();
}

// The renames that put one staged archive in place, and what the undo needs to know of it. A file
// replaced keeps its own spelling on the disk while it is set aside and when it is put back.
// With `set_aside`, the files replaced are listed as set aside, for the safety copy.
std::string add_moves(fs::FileSystem& fs, const zip::StagedExtraction& staged, RestoreJournal& j, RestoredFolder& folder,
                      std::vector<zip::SourceEntry>* set_aside) {
    j.discard.insert(j.discard.end(), staged.written.begin(), staged.written.end());
    for (const auto& f : staged.files) {
        if (f.replaces) {
            const std::string& old = f.existing.empty() ? f.target : f.existing;
            const std::string aside = fs::sibling_temp_path(old);
            // The undo needs its time and attributes exactly: the folder's listing has them.
            fs::FileState state;
            if (f.existing_state) state = *f.existing_state;
            else if (!fs.get_state(old, &state)) return fs::named("无法读取文件信息：", old);
            // Attributes that a new file has anyway need no copying.
            j.moves.push_back({old, aside, ""});
            j.moves.push_back({f.staged, f.target, fs.plain_attributes(state.attributes) ? "" : aside, false, true});
            j.cleanup.push_back(aside);
            // Its name in the folder as the disk spells it (only the case may differ).
            const bool spelled_alike = f.existing.size() < f.relative.size();
            const std::string relative = spelled_alike ? f.relative : f.existing.substr(f.existing.size() - f.relative.size());
            folder.replaced.push_back({relative, state});
            if (set_aside) set_aside->push_back({relative, aside, false, f.existing_size, f.existing_mtime, false});
        } else {
            j.moves.push_back({f.staged, f.target, ""});
            folder.created.push_back(f.relative);
        }
    }
    for (const auto& nf : staged.folders) {
        j.moves.push_back({nf.staged, nf.target, ""});
        folder.created.insert(folder.created.end(), nf.files.begin(), nf.files.end());
    }
    folder.new_dirs.insert(folder.new_dirs.end(), staged.made_parents.begin(), staged.made_parents.end());
    for (const std::string& rel : staged.new_dirs) folder.new_dirs.push_back(fs::join_path(folder.folder, rel));
    return "";
}

zip::Options staging_options(fs::FileSystem& fs, const RestoreEvents& events) {
    zip::Options options;
    options.fs = &fs;
    options.threads = events.threads;
    options.sync_files = true;  // what the journal commits to must be on the disk first
    options.keep_identical = true;  // a file already as the archive has it is not replaced
    return options;
}

// Gives up before the commit: takes back what was done and removes what was written for it.
RestoreSetResult abandon(const Project& p, Attempt& a, const RestoreJournal& j) {
    std::vector<std::string> waiting;
    if (take_back(p, j, &waiting, a.moves_on_disk)) p.fs.remove_file(p.journal());
    else a.result.recovery.waiting = waiting.empty() ? p.folders() : waiting;
    for (const std::string& copy : a.copies) p.fs.remove_file(copy);
    a.result.safety_copy.clear();
    for (ArchiveResult& r : a.result.archives)
        if (r.status == ArchiveResult::done) r.status = ArchiveResult::failed;
    return a.result;
}

// Writes the journal (on the disk before the first move), does the moves, packs a restore's safety
// copy from the files they set aside (taken back like the moves if it cannot be made) and concludes.
bool swap_into_place(const Project& p, const RestoreEvents& events, Attempt& a, RestoreJournal& j) {
    if (!set_record_aside(p, j, a.result)) {
        a.result.failure = fs::named("无法移开旧的撤销记录：", p.last_record());
        return false;
    }
    if (!write_journal(p.fs, p.journal(), j)) {
        a.result.failure = fs::named("无法写入恢复记录：", p.safety);
        return false;
    }
    a.moves_on_disk = true;
    std::string error = commit_moves(p.fs, j, p.threads);
    if (!error.empty()) {
        a.result.failure = error;
        return false;
    }
    if (j.kind == RestoreJournal::restore && !pack_safety_copy(p, events, a)) return false;
    j.state = RestoreJournal::committed;
    if (!write_journal(p.fs, p.journal(), j)) {
        a.result.failure = fs::named("无法写入恢复记录：", p.safety);
        j.state = RestoreJournal::writing;
        return false;
    }
    a.result.changed = true;
    conclude(p, j, &a.result, &a.result.recovery);
    return true;
}

// Before a restore or undo: an earlier one is carried through, and one that still waits for a
// folder blocks this one, since its journal must stay.
bool ready(const Project& p, RestoreSetResult& result) {
    result.recovery = recover(p);
    if (!p.fs.exists(p.journal())) return true;
    result.failure = "上次的恢复还没有收尾，存档文件夹暂时无法访问：";
    for (const std::string& w : result.recovery.waiting) result.failure += "\r\n" + w;
    return false;
}

}  // namespace restore_internal

using namespace restore_internal;

RestoreSetResult restore_with_safety_copy(fs::FileSystem& fs, const RestoreRequest& request,
                                          const RestoreEvents& events) {
    const Project p(fs, {request.backup_folder, request.save_paths}, events.threads);
    Attempt a;
    a.leave_out = request.exclusions.leave_out();
    if (!ready(p, a.result)) return a.result;
    a.result.archives = plan_set(fs, request);
    RestoreJournal j;
    j.archive = request.first_archive;
    if (!any_to_do(a)) return a.result;
    if (!check_all(fs, a)) return abandon(p, a, j);
    if (!fs::make_dirs(fs, p.safety)) {
        a.result.failure = fs::named("无法创建文件夹：", p.safety);
        return abandon(p, a, j);
    }
    plan_safety_copy(p, a);
    // The journal names the save folders before anything is written into them, so that what a
    // forced end leaves there can be found.
    for (const ArchiveResult& r : a.result.archives)
        if (r.status == ArchiveResult::done) j.folders.push_back({r.k, r.folder, copy_of(a, r.k), {}, {}, {}});
    if (!write_journal(fs, p.journal(), j)) {
        a.result.failure = fs::named("无法写入恢复记录：", p.safety);
        return abandon(p, a, j);
    }
    if (!stage_all(p, events, a, j) || !swap_into_place(p, events, a, j)) return abandon(p, a, j);
    keep_newest_copies(p);
    return a.result;
}

}  // namespace backup
