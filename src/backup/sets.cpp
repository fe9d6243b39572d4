#include "backup/sets.h"

#include <algorithm>
#include <map>

#include "config/config_lock.h"
#include "fs/file_names.h"
#include "paths/time_text.h"

namespace backup {

namespace {

// The stem of "<time text>.zip" or "<time text>.zip<k>" (k from 2 on) and k; "" for any other name.
std::string set_stem(const std::string& name, int* k) {
    const std::size_t dot = name.rfind(".zip");
    if (dot == std::string::npos || dot == 0) return "";
    const std::string number = name.substr(dot + 4);
    if (!number.empty() && (number[0] < '1' || number.find_first_not_of("0123456789") != std::string::npos ||
                            number == "1" || number.size() > 4))
        return "";
    *k = number.empty() ? 1 : std::stoi(number);
    const std::string stem = name.substr(0, dot);
    // Only a time text written exactly as the tool writes it.
    return format_time_text(parse_time_text(stem)) == stem ? stem : "";
}

}  // namespace

std::string set_file_name(const std::string& stem, int k) {
    return fs::path_of(stem) + ".zip" + (k > 1 ? std::to_string(k) : "");
}

std::string archive_name(const std::string& first_archive, int k) {
    return k == 1 ? first_archive : first_archive + std::to_string(k);
}

std::vector<std::string> ArchiveSet::paths() const {
    std::vector<std::string> out;
    for (const std::string& name : names) out.push_back(folder + "/" + name);
    return out;
}

std::vector<ArchiveSet> list_sets(fs::FileSystem& fs, const std::string& folder, SetListing listing) {
    std::vector<fs::DirEntry> entries;
    if (!fs.list_dir(folder, &entries)) return {};
    std::map<std::string, ArchiveSet> by_stem;
    for (const fs::DirEntry& e : entries) {
        if (e.is_dir || (e.unreachable && !listing.dangling_counts)) continue;
        int k = 0;
        const std::string stem = set_stem(fs::shown(e.name), &k);
        if (stem.empty()) continue;
        ArchiveSet& set = by_stem[stem];
        set.stem = stem;
        set.folder = folder;
        const auto at = std::lower_bound(set.numbers.begin(), set.numbers.end(), k) - set.numbers.begin();
        set.numbers.insert(set.numbers.begin() + at, k);
        set.names.insert(set.names.begin() + at, e.name);
        set.sizes.insert(set.sizes.begin() + at, e.size);
    }
    std::vector<ArchiveSet> sets;
    for (auto& [stem, set] : by_stem) {
        if (listing.complete_only && !set.complete()) continue;
        set.seconds = to_seconds(parse_time_text(stem));
        sets.push_back(std::move(set));
    }
    std::stable_sort(sets.begin(), sets.end(), [](const ArchiveSet& a, const ArchiveSet& b) { return a.seconds > b.seconds; });
    return sets;
}

std::string newest_set(fs::FileSystem& fs, const std::string& backup_folder) {
    const std::vector<ArchiveSet> sets = list_sets(fs, backup_folder);
    return sets.empty() ? "" : sets.front().first_archive();
}

std::string set_key(const std::string& first_archive) {
    const std::string parent = fs::parent_path(first_archive);
    return fs::shown(parent.empty() ? first_archive : first_archive.substr(parent.size() + 1));
}

void remove_backup_leftovers(fs::FileSystem& fs, const std::string& backup_folder) {
    ConfigFilesLock publishing;  // a backup of another process publishes its set under it
    fs::remove_temporaries(fs, backup_folder);
    fs::remove_temporaries(fs, fs::join_path(backup_folder, kSafetyCopyFolder));
    for (const ArchiveSet& set : list_sets(fs, backup_folder, {false, true}))
        if (!set.complete())
            for (const std::string& path : set.paths()) fs.remove_file(path);
}

std::vector<std::string> recycle_set(fs::FileSystem& fs, fs::RecycleBin& bin, const ArchiveSet& set) {
    const std::vector<std::string> paths = set.paths();
    for (const std::string& path : paths)
        if (bin.in_use(path)) return paths;
    std::vector<std::string> left;
    // Taken by another program in between: what is left goes once more rather than stay as half a set.
    for (int tries = 0; tries < 2; ++tries) {
        bin.move_to_bin(left.empty() ? paths : left);
        left.clear();
        for (const std::string& path : paths)
            if (fs.exists(path)) left.push_back(path);
        if (left.empty() || left.size() == paths.size()) break;
    }
    return left;
}

}  // namespace backup
