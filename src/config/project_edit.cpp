#include "config/project_edit.h"

#include "config/names.h"
#include "config/project_name.h"
#include "paths/gbk_text.h"
#include "paths/time_text.h"

namespace {

// Capital to small letter as the profile functions compare section names: ASCII, and the
// full-width Latin, Greek, Cyrillic and Roman-numeral letters of GBK.
void fold_double_byte(unsigned char lead, unsigned char& trail) {
    struct Range {
        unsigned char lead, first, last;
        int offset;
    };
    static const Range ranges[] = {
        {0xA3, 0xC1, 0xDA, 0x20},  // Ａ-Ｚ → ａ-ｚ
        {0xA6, 0xA1, 0xB8, 0x20},  // Α-Ω → α-ω
        {0xA7, 0xA1, 0xC1, 0x30},  // А-Я → а-я
        {0xA2, 0xF1, 0xFA, -0x50},  // Ⅰ-Ⅹ → ⅰ-ⅹ
    };
    for (const Range& r : ranges)
        if (lead == r.lead && trail >= r.first && trail <= r.last) trail = static_cast<unsigned char>(trail + r.offset);
}

std::string section_key(const std::string& name) {
    std::string key = gbk::ascii_lower(name);
    for (size_t i = 0; i < key.size(); i += gbk::char_len(key, i)) {
        if (gbk::char_len(key, i) != 2) continue;
        auto trail = static_cast<unsigned char>(key[i + 1]);
        fold_double_byte(static_cast<unsigned char>(key[i]), trail);
        key[i + 1] = static_cast<char>(trail);
    }
    return key;
}

// Writes the value, or removes the key when it is empty; leaves the file alone when it holds that already.
bool write_option(ProjectStore& store, const std::string& name, const std::string& key, const std::string& value) {
    if (store.read(name, key) == value) return true;
    return value.empty() ? store.remove_key(name, key) : store.write(name, key, value);
}

}  // namespace

bool same_project(const std::string& a, const std::string& b) { return section_key(a) == section_key(b); }

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

ProjectOptions read_project_options(ProjectStore& store, const std::string& name) {
    ProjectOptions o;
    o.backup_on_exit = store.read(name, names::kBackupOnExitKey) == "1";
    o.keep_sets = parse_keep_sets(store.read(name, names::kKeepSetsKey));
    return o;
}

bool write_project_paths(ProjectStore& store, const std::string& name, const ProjectPaths& paths) {
    const ProjectOptions& o = paths.options;
    return store.write(name, names::kSavePathKey, paths.save_path) &&
           store.write(name, names::kProgramPathKey, paths.program_path) &&
           write_option(store, name, names::kBackupOnExitKey, o.backup_on_exit ? "1" : "") &&
           write_option(store, name, names::kKeepSetsKey, o.keep_sets > 0 ? std::to_string(o.keep_sets) : "");
}

ModifyResult save_modified_project(ProjectStore& store, const std::string& old_name, const std::string& new_name,
                                   const ProjectPaths& paths) {
    ModifyResult result;
    // A change of case alone is no rename: the profile functions write into the section as it is
    // spelt, and respelling it would mean removing it before its replacement exists.
    if (old_name.empty() || same_project(old_name, new_name)) {
        result.saved = write_project_paths(store, new_name, paths);
        return result;
    }
    if (!write_project_paths(store, new_name, paths)) return result;
    store.remove(old_name);  // should this fail, the project is listed twice; nothing is lost
    result.saved = true;
    if (store.backup_folder_exists(old_name) && !store.backup_folder_exists(new_name))
        result.folder_left_behind = !store.rename_backup_folder(old_name, new_name);
    return result;
}

void stamp_project(ProjectStore& store, const std::string& name) {
    if (!name.empty()) store.write(name, names::kOperationTimeKey, current_time_text());
}

std::string program_name_from_path(const std::string& path, bool drop_shortcut_extension) {
    std::string name = gbk::remove_all(gbk::after_last_backslash(path), ".exe");
    return drop_shortcut_extension ? gbk::remove_all(name, ".lnk") : name;
}

bool is_shortcut_path(const std::string& path) { return gbk::ascii_lower(gbk::right(path, 4)) == ".lnk"; }
