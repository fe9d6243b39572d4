#include "finder/places.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "paths/gbk_text.h"

namespace finder {

namespace {

// Folders below a shared root that belong to Windows, browsers or graphics drivers (lower case).
const char* const kForeignPrefixes[] = {
    "microsoft", "packages", "connecteddevicesplatform", "comms", "windows", "mozilla", "google\\chrome",
    "chromium", "bravesoftware", "opera software", "yandex", "360chrome", "tencent\\qqbrowser", "nvidia",
    "nvidia corporation", "amd", "intel", "crashdumps", "d3dscache", "temp",
};

// Folder names that never hold saves, wherever they are (lower case).
const char* const kForeignFolders[] = {
    "temp", "tmp", "temporary internet files", "crashdumps", "crashes", "crash reports", "crashreports",
    "crashpad", "minidumps", "minidump",
};

// File kinds that are no saves (lower case, with the dot).
const char* const kForeignExtensions[] = {".log", ".dmp", ".mdmp", ".tmp"};
const char* const kForeignFiles[] = {"desktop.ini", "thumbs.db"};

// Words in a path that speak for a save (lower case for the ASCII ones).
const char* const kSaveWords[] = {"sav", "profile", "slot", "存档", "存盘", "进度", "档案"};

bool ends_with(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool is_foreign_folder(const std::string& lower_name) {
    if (lower_name.find("cache") != std::string::npos) return true;  // browsers, shaders, GPU, web
    return std::find(std::begin(kForeignFolders), std::end(kForeignFolders), lower_name) != std::end(kForeignFolders);
}

bool is_foreign_file(const std::string& lower_name) {
    for (const char* ext : kForeignExtensions)
        if (ends_with(lower_name, ext)) return true;
    return std::find(std::begin(kForeignFiles), std::end(kForeignFiles), lower_name) != std::end(kForeignFiles);
}

bool speaks_for_a_save(const std::string& lower_relative) {
    for (const char* word : kSaveWords)
        if (gbk::find(lower_relative, word) > 0) return true;
    return false;
}

// Where the written files of one place meet.
struct Place {
    int root = 0;
    std::vector<std::string> common;  // folder names below the root, as first seen
    int files = 0;
    int64_t last_write = 0;
    bool save_words = false;
};

// The key of the place of a folder below its root: the first folder, and for "My Games" the one
// below it. Empty when the folder is no place of one program.
std::string place_key(const Root& root, const std::vector<std::string>& folders) {
    if (root.kind == RootKind::program_folder) return "";
    if (folders.empty()) return {};
    const std::string first = gbk::ascii_lower(folders[0]);
    if (root.kind == RootKind::documents && first == "my games")
        return folders.size() < 2 ? std::string() : first + "\\" + gbk::ascii_lower(folders[1]);
    return first;
}

void narrow_to_common(std::vector<std::string>& common, const std::vector<std::string>& folders) {
    size_t n = 0;
    while (n < common.size() && n < folders.size() && gbk::equals_no_case(common[n], folders[n])) ++n;
    common.resize(n);
}

int score(const Root& root, const Place& place) {
    int s = static_cast<int>(root.kind) * 10;
    if (root.kind == RootKind::documents && !place.common.empty() && gbk::equals_no_case(place.common[0], "My Games"))
        s += 10;
    return s + (place.save_words ? 100 : 0);
}

}  // namespace

bool lies_in(const std::string& path, const std::string& folder) {
    if (folder.empty() || !gbk::starts_with_no_case(path, folder)) return false;
    if (path.size() == folder.size() || path[folder.size()] == '\\') return true;
    // A folder given with its trailing "\" (a drive's root); the trail byte of 淺 is no separator.
    return gbk::up_to_last_backslash(folder).size() == folder.size();
}

int root_of(const std::vector<Root>& roots, const std::string& path, std::string* relative) {
    int best = -1;
    for (int i = 0; i < static_cast<int>(roots.size()); ++i) {
        const std::string& r = roots[static_cast<size_t>(i)].path;
        if (lies_in(path, r) && (best < 0 || r.size() > roots[static_cast<size_t>(best)].path.size())) best = i;
    }
    if (best >= 0 && relative) {
        const size_t skip = roots[static_cast<size_t>(best)].path.size();
        *relative = path.size() > skip ? path.substr(skip + 1) : std::string();
    }
    return best;
}

bool is_left_out_folder(RootKind kind, const std::string& relative) {
    const std::string lower = gbk::ascii_lower(relative);
    if (kind != RootKind::program_folder) {
        for (const char* prefix : kForeignPrefixes)
            if (lies_in(lower, prefix)) return true;
    }
    for (const std::string& part : gbk::split(lower, '\\'))
        if (is_foreign_folder(part)) return true;
    return false;
}

bool is_left_out(RootKind kind, const std::string& relative) {
    const std::string folder = gbk::up_to_last_backslash(relative);
    if (!folder.empty() && is_left_out_folder(kind, folder.substr(0, folder.size() - 1))) return true;
    return relative.empty() || is_foreign_file(gbk::ascii_lower(gbk::after_last_backslash(relative)));
}

std::vector<std::string> suggest_exclusions(const std::string& folder, const std::vector<WrittenFile>& files) {
    std::vector<std::string> patterns, folded;
    const auto offer = [&](const std::string& pattern) {
        const std::string key = gbk::ascii_lower(pattern);
        if (std::find(folded.begin(), folded.end(), key) != folded.end()) return;
        folded.push_back(key);
        patterns.push_back(pattern);
    };
    const std::size_t skip = gbk::up_to_last_backslash(folder).size() == folder.size() ? folder.size() : folder.size() + 1;
    for (const WrittenFile& file : files) {
        if (!lies_in(file.path, folder) || file.path.size() <= skip) continue;
        const std::vector<std::string> parts = gbk::split(file.path.substr(skip), '\\');
        const auto foreign = std::find_if(parts.begin(), parts.end() - 1,
                                          [](const std::string& p) { return is_foreign_folder(gbk::ascii_lower(p)); });
        if (foreign != parts.end() - 1) {
            offer(*foreign + "\\");
            continue;
        }
        const std::string name = gbk::ascii_lower(parts.back());
        for (const char* ext : kForeignExtensions)
            if (ends_with(name, ext)) offer(std::string("*") + ext);
    }
    return patterns;
}

std::vector<Candidate> rank_candidates(const std::vector<Root>& roots, const std::vector<WrittenFile>& files,
                                       const std::vector<std::string>& own_folders) {
    std::map<std::pair<int, std::string>, Place> places;
    for (const WrittenFile& file : files) {
        if (std::any_of(own_folders.begin(), own_folders.end(),
                        [&](const std::string& own) { return lies_in(file.path, own); }))
            continue;
        std::string relative;
        const int r = root_of(roots, file.path, &relative);
        if (r < 0 || relative.empty()) continue;
        const Root& root = roots[static_cast<size_t>(r)];
        if (is_left_out(root.kind, relative)) continue;
        std::vector<std::string> folders = gbk::split(relative, '\\');
        folders.pop_back();  // the file's own name
        const std::string key = place_key(root, folders);
        if (key.empty() && root.kind != RootKind::program_folder) continue;

        auto [it, fresh] = places.try_emplace({r, key});
        Place& place = it->second;
        if (fresh) {
            place.root = r;
            place.common = folders;
        } else {
            narrow_to_common(place.common, folders);
        }
        ++place.files;
        place.last_write = std::max(place.last_write, file.mtime);
        place.save_words = place.save_words || speaks_for_a_save(gbk::ascii_lower(relative));
    }

    std::vector<std::pair<int, Candidate>> scored;
    for (const auto& [key, place] : places) {
        const Root& root = roots[static_cast<size_t>(place.root)];
        Candidate c{root.path, root.kind, place.files, place.last_write};
        for (const std::string& name : place.common) c.folder += "\\" + name;
        scored.push_back({score(root, place), c});
    }
    std::sort(scored.begin(), scored.end(), [](const auto& a, const auto& b) {
        return std::make_tuple(-a.first, -a.second.files, -a.second.last_write, a.second.folder) <
               std::make_tuple(-b.first, -b.second.files, -b.second.last_write, b.second.folder);
    });
    std::vector<Candidate> ranked;
    for (auto& s : scored) ranked.push_back(std::move(s.second));
    return ranked;
}

}  // namespace finder
