// Recovery from a journal: a restore or undo that failed or was ended by force is carried back to
// the state before it or, once it had committed, forward to its end; what it wrote is found and
// removed, and what the user is told of it comes back.
#include <atomic>

#include "backup/restore_internal.h"
#include "backup/sets.h"

namespace backup {

namespace restore_internal {

namespace {

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

// A save folder can be reached when it or a folder above it can: a removed drive has neither. One
// that was there when the journal began (it has a safety copy) must be there itself: a drive
// mounted as that folder, a share or a link may be gone with what was written into it, and bring
// it back later. The root alone ('/') tells nothing of a drive.
bool reachable(fs::FileSystem& fs, const RestoredFolder& f) {
    if (!f.safety_copy.empty()) return fs.is_folder(f.folder);
    for (std::string path = f.folder; !path.empty() && path != "/"; path = fs::parent_path(path)) {
        if (fs.exists(path)) return true;
        if (fs::parent_path(path) == path) break;
    }
    return false;
}

bool in_folder(const std::string& path, const std::string& folder) {
    return fs::normal_path(path) == fs::normal_path(folder) || fs::path_inside(path, folder);
}

// Of the journal's save folders, those that cannot be reached now.
std::vector<std::string> unreachable_folders(const Project& p, const RestoreJournal& j) {
    std::vector<std::string> out;
    for (const RestoredFolder& f : j.folders)
        if (!reachable(p.fs, f)) out.push_back(f.folder);
    return out;
}

bool touches(const std::string& path, const std::vector<std::string>& folders) {
    for (const std::string& f : folders)
        if (in_folder(path, f)) return true;
    return false;
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

}  // namespace

std::string name_of(const std::string& path) {
    const std::string parent = fs::parent_path(path);
    return parent.empty() ? path : path.substr(parent.size() + 1);
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

}  // namespace restore_internal

using namespace restore_internal;

RecoveryReport recover_interrupted(fs::FileSystem& fs, const ProjectFolders& project) {
    return recover(Project(fs, project));
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

}  // namespace backup
