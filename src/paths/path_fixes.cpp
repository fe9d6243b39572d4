#include "paths/path_fixes.h"

#include <cctype>

#include "paths/gbk_text.h"

namespace {

constexpr int kPersonal = 5;  // CSIDL_PERSONAL: 我的文档

// Character-aware: the last byte of 淺 is 0x5C but is no backslash.
bool ends_with_backslash(const std::string& s) {
    return !s.empty() && gbk::find_last(s, "\\") == static_cast<int>(s.size());
}

std::string without_trailing_backslash(std::string folder) {
    while (folder.size() > 3 && ends_with_backslash(folder)) folder.pop_back();
    return folder;
}

// The rest of `path` below `folder` ("" for the folder itself), when the folder holds it.
bool below(const std::string& path, const std::string& folder, std::string* rest) {
    const std::string f = without_trailing_backslash(folder);
    if (f.empty() || !gbk::starts_with_no_case(path, f)) return false;
    if (path.size() == f.size()) {
        *rest = "";
        return true;
    }
    // The match must end at a backslash of the path, not inside a name: the prefix ends on a whole
    // character, so a backslash right after it is one.
    const bool root = ends_with_backslash(f);
    if (!root && path[f.size()] != '\\') return false;
    *rest = path.substr(f.size() + (root ? 0 : 1));
    return true;
}

std::string joined(const std::string& folder, const std::string& rest) {
    const std::string f = without_trailing_backslash(folder);
    if (rest.empty()) return f;
    return ends_with_backslash(f) ? f + rest : f + "\\" + rest;
}

// Profiles every user of a machine shares: no other user's.
bool shared_profile(const std::string& name) {
    for (const char* shared : {"Public", "Default", "Default User", "All Users"})
        if (gbk::equals_no_case(name, shared)) return true;
    return false;
}

}  // namespace

std::string apply_path_fixes(const std::string& path, const PathFixes& fixes) {
    const PathFix* best = nullptr;
    std::string best_rest, rest;
    for (const PathFix& fix : fixes)
        if (below(path, fix.from, &rest) && (!best || fix.from.size() > best->from.size())) {
            best = &fix;
            best_rest = rest;
        }
    return best ? joined(best->to, best_rest) : path;
}

void add_path_fix(PathFixes& fixes, const PathFix& fix) {
    for (PathFix& f : fixes)
        if (gbk::equals_no_case(f.from, fix.from)) {
            f.to = fix.to;
            return;
        }
    fixes.push_back(fix);
}

std::string format_path_fixes(const PathFixes& fixes) {
    std::vector<std::string> pairs;
    for (const PathFix& f : fixes) pairs.push_back(f.from + ">" + f.to);
    return gbk::join_non_empty(pairs);
}

PathFixes parse_path_fixes(const std::string& text) {
    PathFixes fixes;
    for (const std::string& pair : gbk::split(text)) {
        const int at = gbk::find(pair, ">");
        if (at <= 1 || at == static_cast<int>(pair.size())) continue;  // a damaged pair is no fix
        fixes.push_back({without_trailing_backslash(gbk::left(pair, at - 1)),
                         without_trailing_backslash(gbk::right(pair, static_cast<int>(pair.size()) - at))});
    }
    return fixes;
}

PathTrouble check_path(const std::string& path, const Folders& folders,
                       const std::function<bool(char drive)>& drive_exists) {
    if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0]))) return {};
    if (!drive_exists(static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])))))
        return {PathTrouble::missing_drive, path.substr(0, 2), ""};
    const std::string profile = without_trailing_backslash(folders.environment_variable("USERPROFILE"));
    const int cut = gbk::find_last(profile, "\\");
    if (cut <= 0) return {};
    // Profiles live side by side ("C:\Users\…"); the old layout kept them in "Documents and Settings".
    for (const std::string& root : {gbk::left(profile, cut - 1), path.substr(0, 2) + "\\Documents and Settings"}) {
        std::string rest;
        if (!below(path, root, &rest) || rest.empty()) continue;
        const int end = gbk::find(rest, "\\");
        const std::string user = end > 0 ? gbk::left(rest, end - 1) : rest;
        const std::string folder = root + "\\" + user;
        if (gbk::equals_no_case(folder, profile) || shared_profile(user)) return {};
        return {PathTrouble::other_user, folder, profile};
    }
    return {};
}

std::string token_form(const std::string& path, const Folders& folders) {
    std::string rest;
    if (below(path, folders.special_folder(kPersonal), &rest)) return joined("<我的文档>", rest);
    if (below(path, folders.environment_variable("USERPROFILE"), &rest)) return joined("%USERPROFILE%", rest);
    return "";
}

std::string travelling_form(const std::string& stored, const Folders& folders) {
    std::string out;
    bool any = false;
    const std::vector<std::string> paths = gbk::split(stored);
    std::string rest;
    for (size_t i = 0; i < paths.size(); ++i) {
        // The temp folder lies in the profile too, but nothing there is meant to travel.
        const bool temporary = below(paths[i], folders.temp_dir(), &rest);
        const std::string token = temporary ? "" : token_form(paths[i], folders);
        any = any || !token.empty();
        out += (i ? "|" : "") + (token.empty() ? paths[i] : token);
    }
    return any ? out : "";
}
