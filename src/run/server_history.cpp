#include "run/server_history.h"

#include "backup/sets.h"
#include "paths/time_text.h"

void add_server_sets(std::vector<backup::HistoryRow>& rows, const ServerListing& listing, int save_folders) {
    const size_t local = rows.size();
    for (size_t i = 0; i < local; ++i)
        if (!rows[i].safety_copy) rows[i].place = "本机";
    for (size_t s = 0; s < listing.sets.size(); ++s) {
        const ServerSet& set = listing.sets[s];
        if (!set.there) continue;
        ServerSet both = set;
        both.here = true;
        backup::HistoryRow* mine = nullptr;
        for (size_t i = 0; i < local && !mine; ++i)
            if (!rows[i].safety_copy && rows[i].set.stem == set.stem && rows[i].place == "本机") mine = &rows[i];
        if (mine) {
            mine->place = place_text(both);
            continue;
        }
        backup::HistoryRow row;
        row.set.stem = set.stem;
        row.set.seconds = to_seconds(parse_time_text(set.stem));
        for (const syncing::ArchiveInfo& a : set.remote.metadata.archives) {
            row.set.numbers.push_back(a.number);
            row.set.names.push_back(backup::set_file_name(set.stem, a.number));
            row.set.sizes.push_back(a.size);
            row.size += a.size;
        }
        row.folders = save_folders;
        row.info.kind = set.remote.metadata.kind;
        row.info.note = set.remote.metadata.note;
        ServerSet only = set;
        only.here = false;
        row.place = place_text(only);
        row.server = static_cast<int>(s);
        rows.push_back(std::move(row));
    }
}
