#include "backup/retention.h"

#include "backup/sets.h"

namespace backup {

PruneResult prune_after_backup(fs::FileSystem& fs, const std::string& backup_folder, const Outcome& outcome,
                               int keep, const PruneScope& scope) {
    PruneResult result;
    if (keep <= 0 || !outcome.complete() || outcome.first_done.empty()) return result;
    auto in_scope = [&](const std::string& key) { return !scope || scope(key); };
    const std::string just_written = set_key(outcome.first_done);
    int kept = in_scope(just_written) ? 1 : 0;
    // Companions without a first archive are listed too: they go with the sets older than the last kept.
    for (const ArchiveSet& set : list_sets(fs, backup_folder, {false})) {
        if (set.key() == just_written || !in_scope(set.key())) continue;
        if (kept < keep) {
            kept += set.complete() ? 1 : 0;
            continue;
        }
        // The first archive goes first, and one that stays keeps its companions: half a set is never
        // left to restore, and a set cut short is companions only, which the next pruning takes away.
        bool whole = true;
        for (const std::string& path : set.paths()) {
            const bool gone = fs.remove_file(path);
            (gone ? result.deleted : result.failed).push_back(path);
            whole = whole && gone;
            if (!gone && set.complete() && path == set.first_archive()) break;
        }
        if (whole) result.gone_sets.push_back(set.key());
    }
    return result;
}

}  // namespace backup
