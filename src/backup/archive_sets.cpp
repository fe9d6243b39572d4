#include "backup/archive_sets.h"

#include <algorithm>
#include <map>

#include "paths/time_text.h"

namespace {

// The stem of "<time text>.zip" or "<time text>.zip<k>" (k from 2 on); "" for any other name.
std::string set_stem(const std::string& name) {
    const std::size_t dot = name.rfind(".zip");
    if (dot == std::string::npos || dot == 0) return "";
    const std::string number = name.substr(dot + 4);
    if (!number.empty() && (number[0] < '1' || number.find_first_not_of("0123456789") != std::string::npos ||
                            number == "1"))
        return "";
    const std::string stem = name.substr(0, dot);
    // Only a time text written exactly as the tool writes it.
    return format_time_text(parse_time_text(stem)) == stem ? stem : "";
}

}  // namespace

std::vector<ArchiveSet> archive_sets(const std::vector<std::string>& file_names) {
    std::map<std::string, ArchiveSet> by_stem;
    for (const std::string& name : file_names) {
        const std::string stem = set_stem(name);
        if (stem.empty()) continue;
        ArchiveSet& set = by_stem[stem];
        set.stem = stem;
        set.seconds = to_seconds(parse_time_text(stem));
        set.names.push_back(name);
    }
    std::vector<ArchiveSet> sets;
    for (auto& entry : by_stem) sets.push_back(std::move(entry.second));
    std::stable_sort(sets.begin(), sets.end(), [](const ArchiveSet& a, const ArchiveSet& b) { return a.seconds > b.seconds; });
    return sets;
}
