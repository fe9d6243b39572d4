#include "backup/zip/existing_files.h"

#include "fs/case_fold.h"

namespace zip {

const ExistingFiles::Listing& ExistingFiles::listing(const std::string& dir) {
    auto [it, fresh] = listings_.try_emplace(dir);
    Listing& l = it->second;
    if (!fresh) return l;
    l.ok = fs_.list_dir(dir, &l.entries);
    for (std::size_t i = 0; i < l.entries.size(); ++i) {
        l.by_name.emplace(l.entries[i].name, i);
        l.by_fold.emplace(fs::fold_case(l.entries[i].name), i);
    }
    return l;
}

std::optional<DirEntry> ExistingFiles::find(const std::string& path) {
    const std::size_t cut = path.find_last_of("/\\");
    const std::string dir = cut == std::string::npos ? "." : path.substr(0, cut == 0 ? 1 : cut);
    const std::string name = path.substr(cut + 1);
    const Listing& l = listing(dir);
    DirEntry info;
    if (!l.ok) {
        if (!fs_.stat(path, &info)) return std::nullopt;
        info.name = name;
        return info;
    }
    if (auto exact = l.by_name.find(name); exact != l.by_name.end()) return l.entries[exact->second];
    auto folded = l.by_fold.find(fs::fold_case(name));
    const bool maybe_short_name = name.find('~') != std::string::npos;
    if ((folded == l.by_fold.end() && !maybe_short_name) || !fs_.stat(path, &info)) return std::nullopt;
    if (folded != l.by_fold.end()) return l.entries[folded->second];
    info.name = name;
    return info;
}

}  // namespace zip
