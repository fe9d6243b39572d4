#include "config/project_edit.h"

#include <functional>

#include "fs/file_system.h"
#include "config/ini_file.h"
#include "config/names.h"
#include "config/project_name.h"
#include "config/tool_folders.h"
#include "paths/gbk_text.h"
#include "paths/time_text.h"

namespace {

bool set_option(ini::Document& doc, const std::string& name, const std::string& key, const std::string& value) {
    return value.empty() ? doc.remove_key(name, key) : doc.set(name, key, value);
}

// The keys of `paths` into the section `name`; true when anything changed.
bool put_paths(ini::Document& doc, const std::string& name, const ProjectPaths& paths) {
    const ProjectOptions& o = paths.options;
    bool changed = doc.set(name, names::kSavePathKey, paths.save_path);
    changed |= doc.set(name, names::kProgramPathKey, paths.program_path);
    changed |= set_option(doc, name, names::kBackupOnExitKey, o.backup_on_exit ? "1" : "");
    changed |= set_option(doc, name, names::kKeepSetsKey, o.keep_sets > 0 ? std::to_string(o.keep_sets) : "");
    const bool timed = o.timed_minutes > 0;
    changed |= set_option(doc, name, names::kTimedBackupKey, timed ? std::to_string(o.timed_minutes) : "");
    changed |= set_option(doc, name, names::kTimedKeepKey,
                          timed ? std::to_string(o.timed_keep > 0 ? o.timed_keep : kDefaultTimedKeep) : "");
    changed |= set_option(doc, name, names::kSyncKey, o.sync ? "1" : "");
    changed |= set_option(doc, name, names::kExclusionsKey, o.exclusions);
    return changed;
}

// Without a chosen list there is nowhere to write.
bool update(const ProjectFiles& files, const std::function<bool(ini::Document&)>& change) {
    return !files.file.empty() && ini::update(files.fs, files.file, change);
}

std::string folder_of(const ProjectFiles& files, const std::string& project) {
    return project_folder(files.backup_root, project);
}

bool backup_folder_exists(const ProjectFiles& files, const std::string& project) {
    fs::DirEntry info;
    return !project.empty() && files.fs.stat(folder_of(files, project), &info) && info.is_dir;
}

}  // namespace

std::string ProjectFiles::read(const std::string& project, const std::string& key) const {
    if (file.empty()) return {};
    return ini::load(fs, file)->value(project, key).value_or("");
}

bool ProjectFiles::remove(const std::string& project) const {
    return update(*this, [&](ini::Document& doc) { return doc.remove_section(project); });
}

bool same_project(const std::string& a, const std::string& b) { return ini::fold_case(a) == ini::fold_case(b); }

bool contains_project(const std::vector<std::string>& names, const std::string& name) {
    for (const std::string& n : names)
        if (same_project(n, name)) return true;
    return false;
}

std::string project_name_problem(const std::string& name) {
    if (!name.empty() && name.front() == ' ') return "名称不能以空格开头";
    return folder_name_problem(name);
}

int find_list_item(const std::vector<std::string>& items, const std::string& name) {
    for (size_t i = 0; i < items.size(); ++i)
        if (same_project(items[i], name)) return static_cast<int>(i);
    for (size_t i = 0; i < items.size(); ++i)
        if (gbk::starts_with_no_case(items[i], name)) return static_cast<int>(i);
    return -1;
}

int parse_keep_sets(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return 0;
    const size_t first = text.find_first_not_of('0');
    if (first == std::string::npos) return 0;
    if (text.size() - first > 6) return 999999;  // more than anyone keeps: all of them
    return std::stoi(text.substr(first));
}

int parse_timed_minutes(const std::string& text) {
    const int minutes = parse_keep_sets(text);
    return minutes > kMaxTimedMinutes ? kMaxTimedMinutes : minutes;
}

int parse_timed_keep(const std::string& text) {
    const int keep = parse_keep_sets(text);
    return keep > 0 ? keep : kDefaultTimedKeep;
}

ProjectOptions read_project_options(const ProjectFiles& files, const std::string& name) {
    ProjectOptions o;
    o.timed_minutes = parse_timed_minutes(files.read(name, names::kTimedBackupKey));
    if (o.timed_minutes > 0) o.timed_keep = parse_timed_keep(files.read(name, names::kTimedKeepKey));
    o.backup_on_exit = files.read(name, names::kBackupOnExitKey) == "1";
    o.keep_sets = parse_keep_sets(files.read(name, names::kKeepSetsKey));
    o.sync = files.read(name, names::kSyncKey) == "1";
    o.exclusions = files.read(name, names::kExclusionsKey);
    return o;
}

bool write_project_paths(const ProjectFiles& files, const std::string& name, const ProjectPaths& paths) {
    return update(files, [&](ini::Document& doc) { return put_paths(doc, name, paths); });
}

ModifyResult save_modified_project(const ProjectFiles& files, const std::string& old_name, const std::string& new_name,
                                   const ProjectPaths& paths) {
    ModifyResult result;
    // A change of case alone is no rename: the section keeps its spelling and its paths are
    // written in place.
    if (old_name.empty() || same_project(old_name, new_name)) {
        result.saved = write_project_paths(files, new_name, paths);
        return result;
    }
    result.saved = update(files, [&](ini::Document& doc) {
        const bool added = put_paths(doc, new_name, paths);
        return doc.remove_section(old_name) || added;
    });
    if (result.saved && backup_folder_exists(files, old_name) && !backup_folder_exists(files, new_name))
        result.folder_left_behind = !files.fs.rename(folder_of(files, old_name), folder_of(files, new_name));
    return result;
}

bool stamp_project(const ProjectFiles& files, const std::string& name, bool only_if_listed) {
    if (name.empty()) return true;
    const std::string now = current_time_text();
    return update(files, [&](ini::Document& doc) {
        if (only_if_listed && !contains_project(doc.section_names(), name)) return false;
        return doc.set(name, names::kOperationTimeKey, now);
    });
}

std::string program_name_from_path(const std::string& path, bool drop_shortcut_extension) {
    std::string name = gbk::remove_all(gbk::after_last_backslash(path), ".exe");
    return drop_shortcut_extension ? gbk::remove_all(name, ".lnk") : name;
}

bool is_shortcut_path(const std::string& path) { return gbk::ascii_lower(gbk::right(path, 4)) == ".lnk"; }
