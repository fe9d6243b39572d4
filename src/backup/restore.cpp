#include "backup/restore.h"

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "backup/sets.h"
#include "backup/restore_journal.h"
#include "backup/zip/names.h"
#include "backup/zip/pack_files.h"
#include "backup/zip/staging.h"
#include "config/config_lock.h"
#include "paths/gbk_text.h"
#include "paths/time_text.h"

namespace {

namespace names = restore_files;

std::string name_of(const std::string& path) {
    const std::string parent = fs::parent_path(path);
    return parent.empty() ? path : path.substr(parent.size() + 1);
}

// A folder of ours with everything in it.
void remove_tree(fs::FileSystem& fs, const std::string& path) {
    std::vector<fs::DirEntry> children;
    fs.list_dir(path, &children);
    for (const fs::DirEntry& c : children) {
        const std::string sub = fs::join_path(path, c.name);
        if (c.is_dir && !c.is_link)
            remove_tree(fs, sub);
        else
            fs.remove_file(sub);
    }
    fs.remove_dir(path);
}

// The project as one restore sees it: where its journal and safety copies are, and the folders
// every path it acts on must lie in.
struct Project {
    fs::FileSystem& fs;
    std::string safety;                   // backup folder + "/恢复前"
    std::vector<std::string> save_paths;  // numbered from 1; "" for an empty entry
    unsigned threads = 1;                 // for file calls at once (0: as many as suits); a recovery, one

    Project(fs::FileSystem& f, const ProjectFolders& p, unsigned file_threads = 1)
        : fs(f), safety(fs::join_path(p.backup_folder, names::kSafetyFolder)), save_paths(p.save_paths),
          threads(file_threads) {}
    std::string file(const char* name) const { return fs::join_path(safety, name); }
    std::string journal() const { return file(names::kJournal); }
    std::string last_record() const { return file(names::kLastRestore); }
    std::vector<std::string> folders() const {
        std::vector<std::string> out;
        for (const std::string& s : save_paths)
            if (!s.empty()) out.push_back(s);
        return out;
    }
    // Strictly below one of the save folders, or beside one (a new save folder is made there under
    // a temporary name): only there is a whole folder of ours removed.
    bool below_save(const std::string& path) const {
        for (const std::string& s : folders())
            if (path_inside(path, s) || fs::parent_path(normal_path(path)) == fs::parent_path(normal_path(s))) return true;
        return false;
    }
};

// A file or a folder (as a stat or a listing found it) that is not wanted: a folder under a temporary name of
// ours holds nothing else and goes whole; any other folder goes only while empty (something may
// have been put there since). False when a temporary of ours may still be there.
bool remove_found(const Project& p, const std::string& path, const fs::DirEntry& info) {
    const bool ours = fs::is_temporary_name(name_of(path));
    // A link goes itself; what it leads to is not ours.
    if (info.is_link) return p.fs.remove_dir(path) || p.fs.remove_file(path) || !ours;
    if (!info.is_dir) return p.fs.remove_file(path) || !ours;
    if (ours && p.below_save(path)) return remove_tree(p.fs, path), !p.fs.exists(path);
    return p.fs.remove_dir(path) || !ours;
}

// Removes our temporary files and folders anywhere below `folder` (what a write ended by force
// left); false when some may be left.
bool sweep_temporaries(const Project& p, const std::string& folder) {
    std::vector<fs::DirEntry> children;
    if (!p.fs.list_dir(folder, &children)) return !p.fs.exists(folder);
    bool whole = true;
    for (const fs::DirEntry& c : children) {
        const std::string sub = fs::join_path(folder, c.name);
        if (fs::is_temporary_name(c.name))
            whole = remove_found(p, sub, c) && whole;
        else if (c.is_dir && !c.is_link)
            whole = sweep_temporaries(p, sub) && whole;
    }
    return whole;
}

// Our temporaries below a save folder, and a new save folder's own, made beside it.
bool sweep_around(const Project& p, const std::string& folder) {
    bool whole = sweep_temporaries(p, folder);
    const std::string parent = fs::parent_path(folder);
    std::vector<fs::DirEntry> children;
    if (parent.empty()) return whole;
    if (!p.fs.list_dir(parent, &children)) return whole && !p.fs.exists(parent);
    for (const fs::DirEntry& c : children)
        if (fs::is_temporary_name(c.name)) whole = remove_found(p, fs::join_path(parent, c.name), c) && whole;
    return whole;
}

// A save folder can be reached when it or a folder above it can: a removed drive has neither.
bool reachable(fs::FileSystem& fs, const std::string& folder) {
    for (std::string path = folder; !path.empty(); path = fs::parent_path(path)) {
        if (fs.exists(path)) return true;
        if (fs::parent_path(path) == path) break;
    }
    return false;
}

bool in_folder(const std::string& path, const std::string& folder) {
    return normal_path(path) == normal_path(folder) || path_inside(path, folder);
}

// Of the journal's save folders, those that cannot be reached now.
std::vector<std::string> unreachable_folders(const Project& p, const RestoreJournal& j) {
    std::vector<std::string> out;
    for (const RestoredFolder& f : j.folders)
        if (!reachable(p.fs, f.folder)) out.push_back(f.folder);
    return out;
}

bool touches(const std::string& path, const std::vector<std::string>& folders) {
    for (const std::string& f : folders)
        if (in_folder(path, f)) return true;
    return false;
}

// ---- Swap and its way back ---------------------------------------------------------------------

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

// Takes back every move that was done, latest first, and removes what was written for the journal,
// also any temporary file of ours left in its save folders. Folders that cannot be reached are
// left for later and returned; false when a move could not be taken back (a file held open
// meanwhile): either way the journal must stay for another try.
bool take_back(const Project& p, const RestoreJournal& j, std::vector<std::string>* waiting, bool moves_on_disk) {
    *waiting = unreachable_folders(p, j);
    // Every move is either done (only its destination is there) or not (its source is); neither
    // means the disk cannot be read as it is: nothing is removed then.
    bool whole = true;
    for (auto m = j.moves.rbegin(); m != j.moves.rend(); ++m) {
        if (touches(m->to, *waiting) || touches(m->from, *waiting)) continue;
        if (p.fs.exists(m->from)) continue;
        if (p.fs.exists(m->to)) whole = p.fs.rename(m->to, m->from) && whole;
        else whole = m->optional && whole;
    }
    if (!whole) return false;  // what is set aside is still needed
    // Once every move is back the journal says so before anything is removed: read again after a
    // removal, a missing source would look like a move still to take back.
    // Moves in a folder that waits are still to be taken back and stay.
    if (moves_on_disk && !j.moves.empty()) {
        RestoreJournal rest = j;
        rest.moves.clear();
        for (const FileMove& m : j.moves)
            if (touches(m.to, *waiting) || touches(m.from, *waiting)) rest.moves.push_back(m);
        if (rest.moves.size() != j.moves.size() && !write_journal(p.fs, p.journal(), rest)) return false;
    }
    // Files first, then the folders made for them, innermost first.
    std::vector<std::pair<std::string, fs::DirEntry>> folders;
    for (auto path = j.discard.rbegin(); path != j.discard.rend(); ++path) {
        fs::DirEntry info;
        if (touches(*path, *waiting)) continue;
        if (!p.fs.stat(*path, &info)) whole = !p.fs.exists(*path) && whole;
        else if (info.is_dir) folders.emplace_back(*path, info);
        else whole = remove_found(p, *path, info) && whole;
    }
    for (const auto& [path, info] : folders) whole = remove_found(p, path, info) && whole;
    // A journal cut short may not name every file set aside: its temporaries stay for a person.
    if (j.whole)
        for (const RestoredFolder& f : j.folders)
            if (!touches(f.folder, *waiting)) whole = sweep_around(p, f.folder) && whole;
    return whole && waiting->empty();
}

// After the commit: gives the new files the attributes of those they replaced, and removes the old
// copies set aside and the folders that are to go. False when a folder could not be reached.
bool finish(const Project& p, const RestoreJournal& j, std::vector<std::string>* waiting) {
    *waiting = unreachable_folders(p, j);
    bool whole = true;
    for (const FileMove& m : j.moves)
        if (!m.attributes_of.empty() && !touches(m.to, *waiting) && !p.fs.copy_attributes(m.attributes_of, m.to))
            whole = !p.fs.exists(m.attributes_of) && whole;  // gone: done at an earlier try
    if (!whole) return false;  // the old copies stay until the new files have their attributes
    std::atomic<bool> removed{true};
    run_steps(j.cleanup.size(), file_call_workers(p.threads), [&](std::size_t i) {
        const std::string& path = j.cleanup[i];
        if (!touches(path, *waiting) && !p.fs.remove_file(path) && p.fs.exists(path)) removed = false;
        return true;
    });
    whole = removed && whole;
    // A folder that is not empty now has been given something since: it stays.
    for (auto d = j.empty_dirs.rbegin(); d != j.empty_dirs.rend(); ++d) {
        std::vector<fs::DirEntry> inside;
        if (touches(*d, *waiting) || p.fs.remove_dir(*d) || !p.fs.exists(*d)) continue;
        whole = p.fs.list_dir(*d, &inside) && !inside.empty() && whole;
    }
    // An undo gives back the exact times and attributes; the archive kept whole seconds only.
    if (j.kind == RestoreJournal::undo)
        for (const RestoredFolder& f : j.folders)
            if (!touches(f.folder, *waiting))
                for (const ReplacedFile& file : f.replaced)
                    whole = p.fs.set_state(fs::join_path(f.folder, file.relative), file.state) && whole;
    return whole && waiting->empty();
}

// A journal or record that cannot be used is never overwritten or deleted: it stays under a name
// that says so. Returns that name ("" when even the rename failed; the file then stays as it is).
std::string keep_as_damaged(const Project& p, const std::string& path) {
    const std::string stem = path.substr(0, path.size() - 4);  // less ".txt"
    for (int n = 1; n < 1000; ++n) {
        const std::string name = stem + FS_NAME(".已损坏") + (n > 1 ? std::to_string(n) : "") + ".txt";
        if (p.fs.exists(name)) continue;
        return p.fs.rename(path, name) ? name : "";
    }
    return "";
}

// After every move: the record of a restore stays for its undo (an undo's record is gone, moved
// aside with the journal's first move), the old copies go, and then the journal. The record is
// written only from a journal read to its end.
void conclude(const Project& p, RestoreJournal& j, RestoreSetResult* result, RecoveryReport* report) {
    if (j.kind == RestoreJournal::restore) {
        const bool kept = j.whole && write_journal(p.fs, p.last_record(), j);
        if (!kept) {
            p.fs.remove_file(p.last_record());
            if (result) result->record_lost = true;
            if (report) report->record_lost = true;
        }
    }
    // An undo leaves no record behind, whatever its first move found.
    const bool record_gone = j.kind == RestoreJournal::restore || p.fs.remove_file(p.last_record()) ||
                             !p.fs.exists(p.last_record());
    std::vector<std::string> waiting;
    if (finish(p, j, &waiting) && record_gone) {
        p.fs.remove_file(p.journal());
    } else if (report) {
        report->waiting = waiting;
    }
}

// Reads the journal once and carries it through: forward when it had committed, back otherwise.
RecoveryReport recover(const Project& p) {
    RecoveryReport report;
    RestoreJournal j;
    const JournalRead read = read_journal(p.fs, p.journal(), &j);
    if (read == JournalRead::missing) return report;
    if (read == JournalRead::unreadable) {
        report.waiting = {p.journal()};
        return report;
    }
    std::vector<std::string> outside;
    if (read == JournalRead::ok) outside = paths_outside(j, p.folders(), p.safety);
    if (read == JournalRead::damaged || !outside.empty()) {
        report.refused = outside;
        report.damaged = keep_as_damaged(p, p.journal());
        return report;
    }
    if (j.state == RestoreJournal::committed) {
        conclude(p, j, nullptr, &report);
        report.what = j.kind == RestoreJournal::restore ? RecoveryReport::restore_completed : RecoveryReport::undo_completed;
        return report;
    }
    std::vector<std::string> waiting;
    if (!take_back(p, j, &waiting, true)) {
        report.waiting = waiting.empty() ? p.folders() : waiting;
        return report;
    }
    // The save is as it was: a copy made for the restore that did not happen is not wanted.
    if (j.kind == RestoreJournal::restore)
        for (const RestoredFolder& f : j.folders)
            if (!f.safety_copy.empty()) p.fs.remove_file(f.safety_copy);
    report.what = j.kind == RestoreJournal::restore ? RecoveryReport::restore_taken_back : RecoveryReport::undo_taken_back;
    if (!j.whole) report.damaged = keep_as_damaged(p, p.journal());
    else p.fs.remove_file(p.journal());
    return report;
}

// ---- Plan, safety copy, stage ------------------------------------------------------------------

struct Attempt {
    RestoreSetResult result;
    bool moves_on_disk = false;  // the journal written holds the moves
    std::vector<std::string> copies;  // its safety-copy archives (ANSI), named before anything is written
    // Per save folder: the files the restore replaces, once set aside; packed into its copy.
    std::map<int, std::vector<zip::SourceEntry>> replaced;
};

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

// The copy kept of save folder k before the restore, if it has one.
std::string copy_of(const Attempt& a, int k) {
    for (const std::string& copy : a.copies)
        if (copy == archive_name(a.result.safety_copy, k)) return copy;
    return "";
}

// A name for this moment's safety copy that no earlier one has: two restores in one second wait.
std::string fresh_copy_name(const Project& p) {
    for (int tries = 0;; ++tries) {
        std::string name = fs::join_path(p.safety, set_file_name(current_time_text()));
        if (!p.fs.exists(name) || tries >= 20) return name;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

// Names the safety copy of every save folder that the set writes into and that exists; what goes
// into it is known only once the archives are staged.
void plan_safety_copy(const Project& p, Attempt& a) {
    const std::string first = fresh_copy_name(p);
    for (const ArchiveResult& r : a.result.archives) {
        if (r.status != ArchiveResult::done || !p.fs.is_folder(r.folder)) continue;
        a.copies.push_back(archive_name(first, r.k));
        if (a.result.safety_copy.empty()) a.result.safety_copy = first;
    }
}

// A copy is kept only a few restores: it is made quickly. A big one is stored as it is: deflating
// it, even at the fastest level, would take longer than the whole restore.
constexpr int kSafetyCopyLevel = 1;
constexpr uint64_t kStoredCopyAbove = 64ull << 20;

int safety_copy_level(const std::vector<zip::SourceEntry>& files) {
    uint64_t total = 0;
    for (const zip::SourceEntry& f : files) total += f.size;
    return total > kStoredCopyAbove ? 0 : kSafetyCopyLevel;
}

// Packs the files set aside by the swap into the safety copy: only what the restore replaced, since
// the files it does not touch never change and those it adds are its own.
bool pack_safety_copy(const Project& p, const RestoreEvents& events, Attempt& a) {
    zip::Options options;
    options.fs = &p.fs;
    options.threads = events.threads;
    for (const ArchiveResult& r : a.result.archives) {
        const std::string copy = r.status == ArchiveResult::done ? copy_of(a, r.k) : "";
        if (copy.empty()) continue;
        options.level = safety_copy_level(a.replaced[r.k]);
        zip::Result z = zip::compress_files(p.fs, a.replaced[r.k], copy, [&](const zip::Progress& pr) {
            if (events.progress) events.progress(0, pr);
        }, options);
        if (!z.ok) {
            a.result.failure = "无法保存原存档，恢复已取消：" + z.error;
            return false;
        }
    }
    return true;
}

// The renames that put one staged archive in place, and what the undo needs to know of it. A file
// replaced keeps its own spelling on the disk while it is set aside and when it is put back.
// With `set_aside`, the files replaced are listed as set aside, for the safety copy.
std::string add_moves(fs::FileSystem& fs, const zip::StagedExtraction& staged, RestoreJournal& j, RestoredFolder& folder,
                      std::vector<zip::SourceEntry>* set_aside = nullptr) {
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

// Stages every archive and records the moves; false (with the reason) when one cannot be.
bool stage_all(const Project& p, const RestoreEvents& events, Attempt& a, RestoreJournal& j) {
    for (ArchiveResult& r : a.result.archives) {
        if (r.status != ArchiveResult::done) continue;
        zip::StagedExtraction staged;
        zip::Result z = zip::stage_extraction(r.archive, r.folder, [&](const zip::Progress& pr) {
            if (events.progress) events.progress(r.k, pr);
        }, staging_options(p.fs, events), &staged);
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

// ---- The whole machine -------------------------------------------------------------------------

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
    const std::string aside = p.file(names::kRecordAside);
    j.moves.insert(j.moves.begin(), {p.last_record(), aside, ""});
    j.cleanup.push_back(aside);
    return true;
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
bool swap(const Project& p, const RestoreEvents& events, Attempt& a, RestoreJournal& j) {
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

// Safety copies are sets by their own rule: one of a restore whose first save folder was missing
// holds only companions, and it is whole.
void keep_newest_copies(const Project& p) {
    const std::vector<ArchiveSet> copies = list_sets(p.fs, p.safety, {false, true});
    for (std::size_t i = names::kSafetyCopiesKept; i < copies.size(); ++i)
        for (const std::string& path : copies[i].paths()) p.fs.remove_file(path);
}

}  // namespace

RestoreSetResult restore_with_safety_copy(fs::FileSystem& fs, const RestoreRequest& request,
                                          const RestoreEvents& events) {
    const Project p(fs, {request.backup_folder, request.save_paths}, events.threads);
    Attempt a;
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
    if (!stage_all(p, events, a, j) || !swap(p, events, a, j)) return abandon(p, a, j);
    keep_newest_copies(p);
    return a.result;
}

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
    for (const RestoredFolder& f : last.folders) j.folders.push_back({f.k, f.folder, "", {}, {}, {}});
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
    if (!swap(p, events, a, j)) return abandon(p, a, j);
    return a.result;
}

bool has_restore_to_undo(fs::FileSystem& fs, const std::string& backup_folder) {
    return fs.exists(Project(fs, {backup_folder, {}}).last_record());
}

RecoveryReport recover_interrupted(fs::FileSystem& fs, const ProjectFolders& project) {
    return recover(Project(fs, project));
}

void remove_backup_leftovers(fs::FileSystem& fs, const std::string& backup_folder) {
    ConfigFilesLock publishing;  // a backup of another process publishes its set under it
    fs::remove_temporaries(fs, backup_folder);
    fs::remove_temporaries(fs, fs::join_path(backup_folder, names::kSafetyFolder));
    // A backup's companions without their first archive belong to a set that was never published. A
    // safety copy may lack its first archive and is whole: it stays.
    for (const ArchiveSet& set : list_sets(fs, backup_folder, {false, true}))
        if (!set.complete())
            for (const std::string& path : set.paths()) fs.remove_file(path);
}

std::vector<std::pair<std::string, RecoveryReport>> recover_all_projects(
    fs::FileSystem& fs, const std::string& backup_root,
    const std::function<std::vector<std::string>(const std::string& project)>& save_paths_of) {
    std::vector<std::pair<std::string, RecoveryReport>> told;
    std::vector<fs::DirEntry> entries;
    fs.list_dir(backup_root, &entries);
    for (const fs::DirEntry& e : entries) {
        if (!e.is_dir || e.is_link) continue;
        const std::string project = fs::shown(e.name);
        const std::string folder = fs::join_path(backup_root, e.name);
        remove_backup_leftovers(fs, folder);
        RecoveryReport report = recover_interrupted(fs, {folder, save_paths_of(project)});
        if (report.any()) told.emplace_back(project, std::move(report));
    }
    return told;
}
