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

PruneResult prune_after_backup(ArchiveFolder& files, const std::string& backup_folder, const Outcome& outcome,
                               int keep) {
    PruneResult result;
    if (keep <= 0 || !outcome.complete() || outcome.first_done.empty()) return result;
    const std::string just_written = gbk::after_last_backslash(outcome.first_done);
    int kept = 1;  // the set just written
    for (const ArchiveSet& set : archive_sets(files.file_names(backup_folder))) {
        const std::vector<std::string> names = first_archive_first(set);
        const bool restorable = names.front() == set.stem + ".zip";
        if (names.front() == just_written) continue;
        if (kept < keep) {
            kept += restorable ? 1 : 0;
            continue;
        }
        for (const std::string& name : names) {
            const std::string path = backup_folder + "\\" + name;
            (files.delete_file(path) ? result.deleted : result.failed).push_back(path);
        }
    }
    return result;
}
