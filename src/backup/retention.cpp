#include "backup/retention.h"

#include <algorithm>

#include "backup/archive_sets.h"
#include "paths/gbk_text.h"

namespace {

// The first archive goes first: a set cut short by a crash is then companions only, which no
// restore offers and the next pruning takes away.
std::vector<std::string> first_archive_first(const ArchiveSet& set) {
    std::vector<std::string> names = set.names;
    std::stable_partition(names.begin(), names.end(), [&](const std::string& n) { return n == set.stem + ".zip"; });
    return names;
}

}  // namespace

std::vector<std::string> backup_file_names(fs::FileSystem& fs, const std::string& backup_folder) {
    std::vector<fs::DirEntry> entries;
    std::vector<std::string> names;
    if (!fs.list_dir(fs.from_ansi(backup_folder), &entries)) return names;
    for (const fs::DirEntry& e : entries)
        if (!e.is_dir && !e.unreachable) names.push_back(fs.to_ansi(e.name));
    return names;
}

PruneResult prune_after_backup(fs::FileSystem& fs, const std::string& backup_folder, const Outcome& outcome,
                               int keep, const PruneScope& scope) {
    PruneResult result;
    if (keep <= 0 || !outcome.complete() || outcome.first_done.empty()) return result;
    auto in_scope = [&](const std::string& first) { return !scope || scope(first); };
    const std::string just_written = gbk::after_last_backslash(outcome.first_done);
    int kept = in_scope(just_written) ? 1 : 0;
    for (const ArchiveSet& set : archive_sets(backup_file_names(fs, backup_folder))) {
        const std::string first = set.stem + ".zip";
        const std::vector<std::string> names = first_archive_first(set);
        const bool restorable = names.front() == first;
        if (names.front() == just_written || !in_scope(first)) continue;
        if (kept < keep) {
            kept += restorable ? 1 : 0;
            continue;
        }
        // A first archive that stays keeps its companions: half a set is never left to restore.
        bool whole = true;
        for (const std::string& name : names) {
            const std::string path = backup_folder + "\\" + name;
            const bool gone = fs.remove_file(fs.from_ansi(path));
            (gone ? result.deleted : result.failed).push_back(path);
            whole = whole && gone;
            if (!gone && name == first) break;
        }
        if (whole) result.gone_sets.push_back(first);
    }
    return result;
}
