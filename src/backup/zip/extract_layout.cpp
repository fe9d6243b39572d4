#include "backup/zip/extract_layout.h"

#include "backup/zip/names.h"

namespace zip {

namespace {

bool inside(const std::string& path, const std::string& dir) {
    if (dir.empty()) return true;
    if (path.compare(0, dir.size(), dir) != 0) return false;
    return path.size() == dir.size() || path[dir.size()] == '/' || path[dir.size()] == '\\';
}

std::string last_component(const std::string& relative) { return relative.substr(relative.rfind('/') + 1); }

}  // namespace

// A new target is renamed into place at the end: its name must not end on a separator.
ExtractLayout::ExtractLayout(FileSystem& fs, const std::string& target) : fs_(fs), target_(target) {
    auto is_separator = [](char c) { return c == '/' || c == '\\'; };
    while (target_.size() > 1 && is_separator(target_.back()) && target_[target_.size() - 2] != ':') target_.pop_back();
}

std::string ExtractLayout::parent_of(const std::string& relative) {
    std::size_t cut = relative.rfind('/');
    return cut == std::string::npos ? "" : relative.substr(0, cut);
}

bool ExtractLayout::make_folders(const std::set<std::string>& relative_dirs, std::string* failed) {
    *failed = "";
    if (!place("", target_)) return false;
    for (const std::string& relative : relative_dirs) {
        if (!place(relative, join_path(target_, relative))) {
            *failed = relative;
            return false;
        }
    }
    return true;
}

// Inside a new folder a folder is made under its own name, without asking first; otherwise an
// existing one is used and a missing one is made under a temporary name.
bool ExtractLayout::place(const std::string& relative, const std::string& target) {
    bool made = false;
    if (!relative.empty() && fresh_.count(parent_of(relative))) {
        std::string path = join_path(paths_[parent_of(relative)], last_component(relative));
        if (!fs_.make_dir(path, &made) || !made) return false;
        made_.push_back(path);
        fresh_.insert(relative);
        paths_[relative] = path;
        return true;
    }
    DirEntry info;
    if (fs_.stat(target, &info)) {
        paths_[relative] = target;
        return info.is_dir;
    }
    if (relative.empty() && !make_parents(parent_path(target))) return false;
    std::string temp = sibling_temp_path(target);
    if (!fs_.make_dir(temp, &made) || !made) return false;
    made_.push_back(temp);
    new_folders_.push_back(NewFolder{relative, target, temp});
    fresh_.insert(relative);
    paths_[relative] = temp;
    return true;
}

// The folders above a new target are made under their own names: none of the archive is in them.
bool ExtractLayout::make_parents(const std::string& path) {
    DirEntry info;
    if (path.empty() || fs_.stat(path, &info)) return path.empty() || info.is_dir;
    std::string parent = parent_path(path);
    if (!parent.empty() && parent != path && !make_parents(parent)) return false;
    bool made = false;
    if (!fs_.make_dir(path, &made)) return false;
    if (made) {
        made_.push_back(path);
        parents_.push_back(path);
    }
    return true;
}

std::string ExtractLayout::write_path(const std::string& relative) {
    std::string parent = parent_of(relative);
    if (fresh_.count(parent)) return join_path(paths_[parent], last_component(relative));
    return sibling_temp_path(join_path(target_, relative));
}

void ExtractLayout::remove(const std::vector<std::string>& written, const std::string& under) {
    for (const std::string& file : written)
        if (inside(file, under)) fs_.remove_file(file);
    for (auto it = made_.rbegin(); it != made_.rend(); ++it)
        if (inside(*it, under)) fs_.remove_dir(*it);
}

}  // namespace zip
