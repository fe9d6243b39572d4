#include "backup/restore_guard.h"

#include <chrono>
#include <map>
#include <set>
#include <thread>

#include "backup/archive_sets.h"
#include "backup/restore_record.h"
#include "backup/restore_transaction.h"
#include "backup/zip/names.h"
#include "backup/zip/staging.h"
#include "paths/time_text.h"

namespace {

// A path in a folder, with the separator the folder's path already uses.
std::string child(const std::string& dir, const std::string& name) {
    const char sep = dir.find('\\') != std::string::npos || dir.find('/') == std::string::npos ? '\\' : '/';
    return dir.empty() || dir.back() == sep ? dir + name : dir + sep + name;
}

// The project's "恢复前" folder and its files, as file-system and as ANSI paths.
struct SafetyFolder {
    zip::FileSystem& fs;
    std::string ansi;  // backup folder + "\恢复前"

    SafetyFolder(zip::FileSystem& f, const std::string& backup_folder)
        : fs(f), ansi(child(backup_folder, guard::kSafetyFolder)) {}
    std::string path() const { return fs.from_ansi(ansi); }
    std::string file(const char* name) const { return fs.from_ansi(child(ansi, name)); }
    bool ensure() const {
        bool made = false;
        return fs.make_dir(path(), &made);
    }
};

bool is_folder(zip::FileSystem& fs, const std::string& path) {
    zip::DirEntry info;
    return fs.stat(path, &info) && info.is_dir;
}

void remove_files(zip::FileSystem& fs, const std::vector<std::string>& ansi_paths) {
    for (const std::string& p : ansi_paths) fs.remove_file(fs.from_ansi(p));
}

// A name for this moment's safety copy that no earlier one has: two restores in one second wait.
std::string fresh_copy_name(const SafetyFolder& safety) {
    for (int tries = 0;; ++tries) {
        std::string name = child(safety.ansi, current_time_text() + ".zip");
        if (!safety.fs.exists(safety.fs.from_ansi(name)) || tries >= 20) return name;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

// Only the newest sets stay; the others go once a new one is complete.
void keep_newest_copies(const SafetyFolder& safety) {
    std::vector<zip::DirEntry> entries;
    if (!safety.fs.list_dir(safety.path(), &entries)) return;
    std::map<std::string, std::string> file_names;  // the name as the tool writes it → on the disk
    for (const zip::DirEntry& e : entries)
        if (!e.is_dir) file_names[safety.fs.to_ansi(e.name)] = e.name;
    std::vector<std::string> names;
    for (const auto& n : file_names) names.push_back(n.first);
    std::vector<ArchiveSet> sets = archive_sets(names);
    for (std::size_t i = guard::kSafetyCopiesKept; i < sets.size(); ++i)
        for (const std::string& name : sets[i].names)
            safety.fs.remove_file(zip::join_path(safety.path(), file_names[name]));
}

std::size_t files_in(const std::vector<zip::StagedExtraction::Folder>& folders) {
    std::size_t n = 0;
    for (const auto& f : folders) n += f.files.size();
    return n;
}

struct Attempt {
    RestoreSetResult result;
    std::vector<std::string> copies;  // safety-copy archives made for it (ANSI)
};

// Packs every save folder that the set writes into and that exists.
bool make_safety_copy(zip::FileSystem& fs, const SafetyFolder& safety, const RestoreEvents& events, Attempt& a) {
    const std::string first = fresh_copy_name(safety);
    zip::Options options;
    options.fs = &fs;
    for (const ArchiveResult& r : a.result.archives) {
        if (r.status != ArchiveResult::done || !is_folder(fs, fs.from_ansi(r.folder))) continue;
        const std::string copy = archive_name(first, r.k);
        zip::Result z = zip::compress_folder(r.folder, copy, [&](const zip::Progress& p) {
            if (events.progress) events.progress(0, p);
        }, options);
        if (!z.ok) {
            a.result.failure = z.error;
            return false;
        }
        a.copies.push_back(copy);
        if (a.result.safety_copy.empty()) a.result.safety_copy = first;
    }
    return true;
}

// The renames that put one staged archive in place, and what the undo needs to know of it.
void add_moves(zip::FileSystem& fs, const zip::StagedExtraction& staged, RestoreRecord& record,
               RestoredFolder& folder) {
    for (const auto& f : staged.files) {
        if (f.replaces) {
            const std::string aside = zip::sibling_temp_path(f.target);
            record.moves.push_back({f.target, aside, ""});
            record.moves.push_back({f.staged, f.target, aside});
            record.cleanup.push_back(aside);
            zip::FileState state;
            fs.get_state(f.target, &state);  // the undo gives it back exactly
            folder.replaced.push_back({f.relative, state});
        } else {
            record.moves.push_back({f.staged, f.target, ""});
            folder.created.push_back(f.relative);
        }
    }
    for (const auto& nf : staged.folders) {
        record.moves.push_back({nf.staged, nf.target, ""});
        folder.created.insert(folder.created.end(), nf.files.begin(), nf.files.end());
    }
    folder.new_dirs.insert(folder.new_dirs.end(), staged.made_parents.begin(), staged.made_parents.end());
    for (const std::string& rel : staged.new_dirs) folder.new_dirs.push_back(zip::join_path(folder.folder, rel));
    record.discard.insert(record.discard.end(), staged.written.begin(), staged.written.end());
}

// The copy kept of save folder k before the restore, if one was made.
std::string copy_of(zip::FileSystem& fs, const Attempt& a, int k) {
    for (const std::string& copy : a.copies)
        if (copy == archive_name(a.result.safety_copy, k)) return fs.from_ansi(copy);
    return "";
}

// Stages every archive and records the moves; false (with the reason) when one cannot be.
bool stage_all(zip::FileSystem& fs, const RestoreEvents& events, Attempt& a, RestoreRecord& record) {
    zip::Options options;
    options.fs = &fs;
    for (ArchiveResult& r : a.result.archives) {
        if (r.status != ArchiveResult::done) continue;
        zip::StagedExtraction staged;
        zip::Result z = zip::stage_extraction(r.archive, r.folder, [&](const zip::Progress& p) {
            if (events.progress) events.progress(r.k, p);
        }, options, &staged);
        if (!z.ok) {
            a.result.failure = z.error;
            a.result.failed_k = r.k;
            return false;
        }
        RestoredFolder folder{r.k, fs.from_ansi(r.folder), copy_of(fs, a, r.k), {}, {}, {}};
        add_moves(fs, staged, record, folder);
        record.folders.push_back(std::move(folder));
        if (events.archive_ready) events.archive_ready(r.k);
    }
    return true;
}

// Gives up before anything was moved: removes what was written for it and its record.
RestoreSetResult abandon(zip::FileSystem& fs, const SafetyFolder& safety, Attempt& a, const RestoreRecord& record) {
    if (take_back(fs, record)) fs.remove_file(safety.file(guard::kJournal));
    remove_files(fs, a.copies);
    a.result.safety_copy.clear();
    for (ArchiveResult& r : a.result.archives)
        if (r.status == ArchiveResult::done) r.status = ArchiveResult::failed;
    return a.result;
}

// After every move: the record of the restore stays for its undo, the old copies go.
void conclude(zip::FileSystem& fs, const SafetyFolder& safety, RestoreRecord& record) {
    record.state = RestoreRecord::committed;
    write_record(fs, safety.file(guard::kJournal), record);
    if (record.kind == RestoreRecord::restore)
        write_record(fs, safety.file(guard::kLastRestore), record);
    else
        fs.remove_file(safety.file(guard::kLastRestore));
    finish(fs, record);
    fs.remove_file(safety.file(guard::kJournal));
}

// Writes the journal, does the moves and concludes; on failure everything is taken back.
bool carry_out(zip::FileSystem& fs, const SafetyFolder& safety, Attempt& a, RestoreRecord& record) {
    if (!write_record(fs, safety.file(guard::kJournal), record)) {
        a.result.failure = "无法写入恢复记录：" + safety.ansi;
        return false;
    }
    std::string error = commit_moves(fs, record);
    if (!error.empty()) {
        a.result.failure = error;
        return false;
    }
    conclude(fs, safety, record);
    a.result.changed = true;
    return true;
}

std::vector<ArchiveResult> set_of(zip::FileSystem& fs, const RestoreRequest& request) {
    std::vector<ArchiveResult> set;
    for (std::size_t i = 0; i < request.save_paths.size(); ++i) {
        ArchiveResult r;
        r.k = static_cast<int>(i) + 1;
        r.archive = archive_name(request.first_archive, r.k);
        r.folder = request.save_paths[i];
        if (r.folder.empty())
            r.status = ArchiveResult::no_target;  // never "here": nothing goes into the current folder
        else if (!fs.exists(fs.from_ansi(r.archive)))
            r.status = ArchiveResult::archive_missing;
        set.push_back(r);
    }
    return set;
}

// Every archive that is there must open and hold only safe names before anything is written.
bool check_all(zip::FileSystem& fs, Attempt& a) {
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

}  // namespace

RestoreSetResult restore_with_safety_copy(zip::FileSystem& fs, const RestoreRequest& request,
                                          const RestoreEvents& events) {
    recover_interrupted(fs, request.backup_folder);
    SafetyFolder safety(fs, request.backup_folder);
    Attempt a;
    a.result.archives = set_of(fs, request);
    RestoreRecord record;
    record.archive = request.first_archive;
    bool any = false;
    for (const ArchiveResult& r : a.result.archives) any = any || r.status == ArchiveResult::done;
    if (!any) return a.result;
    if (!check_all(fs, a)) return abandon(fs, safety, a, record);
    if (!safety.ensure()) {
        a.result.failure = "无法创建文件夹：" + safety.ansi;
        return abandon(fs, safety, a, record);
    }
    if (!make_safety_copy(fs, safety, events, a)) {
        a.result.failure = "无法保存原存档，恢复已取消：" + a.result.failure;
        return abandon(fs, safety, a, record);
    }
    // The journal names the save folders before anything is written into them, so that what a
    // forced end leaves there can be found.
    for (const ArchiveResult& r : a.result.archives)
        if (r.status == ArchiveResult::done)
            record.folders.push_back({r.k, fs.from_ansi(r.folder), copy_of(fs, a, r.k), {}, {}, {}});
    if (!write_record(fs, safety.file(guard::kJournal), record)) {
        a.result.failure = "无法写入恢复记录：" + safety.ansi;
        return abandon(fs, safety, a, record);
    }
    record.folders.clear();
    if (!stage_all(fs, events, a, record) || !carry_out(fs, safety, a, record))
        return abandon(fs, safety, a, record);
    keep_newest_copies(safety);
    return a.result;
}

RestoreSetResult undo_last_restore(zip::FileSystem& fs, const std::string& backup_folder, const RestoreEvents& events) {
    recover_interrupted(fs, backup_folder);
    SafetyFolder safety(fs, backup_folder);
    Attempt a;
    RestoreRecord last;
    if (!read_record(fs, safety.file(guard::kLastRestore), &last)) {
        a.result.failure = "没有可以撤销的恢复。";
        return a.result;
    }
    RestoreRecord record;
    record.kind = RestoreRecord::undo;
    record.archive = last.archive;
    zip::Options options;
    options.fs = &fs;
    for (const RestoredFolder& f : last.folders) {
        ArchiveResult r;
        r.k = f.k;
        r.folder = fs.to_ansi(f.folder);
        r.archive = fs.to_ansi(f.safety_copy);
        RestoredFolder undone{f.k, f.folder, "", {}, {}, {}};
        if (!f.replaced.empty()) {
            std::set<std::string> wanted;
            for (const ReplacedFile& file : f.replaced) wanted.insert(file.relative);
            zip::StagedExtraction staged;
            zip::Result z = zip::stage_extraction(r.archive, r.folder, [&](const zip::Progress& p) {
                if (events.progress) events.progress(f.k, p);
            }, options, &staged, [&wanted](const std::string& rel) { return wanted.count(rel) > 0; });
            // Every file the restore replaced must come back, or none does.
            if (z.ok && staged.files.size() + files_in(staged.folders) != wanted.size())
                z = zip::Result{false, "原存档中缺少文件：" + r.archive, {}};
            if (!z.ok) {
                a.result.failure = z.error;
                a.result.failed_k = f.k;
                a.result.archives.push_back(r);
                return abandon(fs, safety, a, record);
            }
            add_moves(fs, staged, record, undone);
        }
        // What the restore added goes aside now and away once the undo has succeeded.
        for (const std::string& rel : f.created) {
            const std::string target = zip::join_path(f.folder, rel);
            if (!fs.exists(target)) continue;
            const std::string aside = zip::sibling_temp_path(target);
            record.moves.push_back({target, aside, ""});
            record.cleanup.push_back(aside);
        }
        record.empty_dirs.insert(record.empty_dirs.end(), f.new_dirs.begin(), f.new_dirs.end());
        record.folders.push_back(std::move(undone));
        a.result.archives.push_back(r);
        if (events.archive_ready) events.archive_ready(f.k);
    }
    if (!carry_out(fs, safety, a, record)) return abandon(fs, safety, a, record);
    // The archive keeps whole seconds; the record has the times and attributes to the tick.
    for (const RestoredFolder& f : last.folders)
        for (const ReplacedFile& file : f.replaced) fs.set_state(zip::join_path(f.folder, file.relative), file.state);
    return a.result;
}

bool has_restore_to_undo(zip::FileSystem& fs, const std::string& backup_folder) {
    return fs.exists(SafetyFolder(fs, backup_folder).file(guard::kLastRestore));
}

bool recover_interrupted(zip::FileSystem& fs, const std::string& backup_folder) {
    SafetyFolder safety(fs, backup_folder);
    const std::string journal = safety.file(guard::kJournal);
    if (!fs.exists(journal)) return false;
    RestoreRecord record;
    if (!read_record(fs, journal, &record)) return false;  // not ours to judge: left for a person to see
    if (record.state == RestoreRecord::committed) {
        conclude(fs, safety, record);
        return false;
    }
    if (!take_back(fs, record)) return false;  // tried again at the next start or action
    // The save is as it was: a copy made for the restore that did not happen is not wanted.
    if (record.kind == RestoreRecord::restore)
        for (const RestoredFolder& f : record.folders)
            if (!f.safety_copy.empty()) fs.remove_file(f.safety_copy);
    fs.remove_file(journal);
    return true;
}
