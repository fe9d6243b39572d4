#include "backup/retention.h"

#include <algorithm>
#include <map>

#include "paths/gbk_text.h"
#include "paths/time_text.h"

namespace {

// ".zip" alone, or followed by the folder's number as the backup writes it (2, 3 … no leading 0).
std::optional<int> companion_number(const std::string& suffix) {
    if (suffix.empty()) return 1;
    if (suffix.size() > 4 || suffix[0] == '0' || suffix.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    int k = std::stoi(suffix);
    if (k < 2) return std::nullopt;
    return k;
}

struct ArchiveSet {
    int64_t seconds = 0;
    bool has_first = false;
    std::vector<std::string> names;
};

}  // namespace

// A "." is never part of a two-byte GBK character, so a byte search for ".zip" is safe.
std::optional<ArchiveName> parse_archive_name(const std::string& file_name) {
    const size_t dot = file_name.rfind(".zip");
    if (dot == std::string::npos || dot == 0) return std::nullopt;
    std::optional<int> k = companion_number(file_name.substr(dot + 4));
    if (!k) return std::nullopt;
    ArchiveName a;
    a.time_text = file_name.substr(0, dot);
    const DateTime t = parse_time_text(a.time_text);
    if (format_time_text(t) != a.time_text) return std::nullopt;  // another spelling: not written by us
    a.seconds = to_seconds(t);
    a.k = *k;
    return a;
}

PruneResult prune_after_backup(ArchiveFolder& files, const std::string& backup_folder, const Outcome& outcome,
                               int keep) {
    PruneResult result;
    if (keep <= 0 || !outcome.complete() || outcome.first_done.empty()) return result;
    std::optional<ArchiveName> current = parse_archive_name(gbk::after_last_backslash(outcome.first_done));
    if (!current) return result;

    std::map<std::string, ArchiveSet> sets;  // by time text
    for (const std::string& name : files.file_names(backup_folder)) {
        std::optional<ArchiveName> a = parse_archive_name(name);
        if (!a || a->time_text == current->time_text) continue;
        ArchiveSet& s = sets[a->time_text];
        s.seconds = a->seconds;
        s.has_first = s.has_first || a->k == 1;
        // The first archive goes first: a set cut short by a crash is then companions only,
        // which no restore offers and the next pruning takes away.
        s.names.insert(a->k == 1 ? s.names.begin() : s.names.end(), name);
    }
    std::vector<const ArchiveSet*> newest_first;
    for (const auto& entry : sets) newest_first.push_back(&entry.second);
    std::sort(newest_first.begin(), newest_first.end(),
              [](const ArchiveSet* a, const ArchiveSet* b) { return a->seconds > b->seconds; });

    int kept = 1;  // the set just written
    for (const ArchiveSet* s : newest_first) {
        if (kept < keep) {
            if (s->has_first) ++kept;
            continue;
        }
        for (const std::string& name : s->names) {
            const std::string path = backup_folder + "\\" + name;
            (files.delete_file(path) ? result.deleted : result.failed).push_back(path);
        }
    }
    return result;
}
