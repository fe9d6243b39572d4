#include "config/machine_list.h"

#include "config/ini_file.h"
#include "config/names.h"

namespace {

std::string read_setting(fs::FileSystem& fs, const ToolFolders& tool, const char* section, const std::string& id) {
    if (id.empty()) return {};
    return ini::load(fs, tool.system_config_path())->value(section, id).value_or("");
}

bool write_setting(fs::FileSystem& fs, const ToolFolders& tool, const char* section, const std::string& id,
                   const std::string& value) {
    return !id.empty() && ini::update(fs, tool.system_config_path(),
                                      [&](ini::Document& doc) { return doc.set(section, id, value); });
}

}  // namespace

std::string read_machine_list(fs::FileSystem& fs, const ToolFolders& tool, const std::string& machine_id) {
    const std::string list = read_setting(fs, tool, names::kMachineSection, machine_id);
    return list.empty() ? list : fs::path_of(list);
}

bool write_machine_list(fs::FileSystem& fs, const ToolFolders& tool, const std::string& machine_id,
                        const std::string& list) {
    return write_setting(fs, tool, names::kMachineSection, machine_id, fs::shown(list));
}

std::string generated_list_path(const ToolFolders& tool, const std::string& machine_id) {
    return tool.config_dir() + "/" + names::kSaveConfigPrefix + fs::path_of(machine_id) + names::kSaveConfigSuffix;
}

bool is_machine_file(const std::string& path) { return path.find(names::kSystemConfigFile) != std::string::npos; }

std::string read_machine_setting(fs::FileSystem& fs, const ToolFolders& tool, const char* section,
                                 const std::string& machine_id) {
    return read_setting(fs, tool, section, machine_id);
}

bool write_machine_setting(fs::FileSystem& fs, const ToolFolders& tool, const char* section,
                           const std::string& machine_id, const std::string& value) {
    return write_setting(fs, tool, section, machine_id, value);
}

PathFixes read_path_fixes(fs::FileSystem& fs, const ToolFolders& tool, const std::string& machine_id) {
    return parse_path_fixes(read_setting(fs, tool, names::kPathFixSection, machine_id));
}

bool keep_path_fix(fs::FileSystem& fs, const ToolFolders& tool, const std::string& machine_id, const PathFix& fix) {
    PathFixes fixes = read_path_fixes(fs, tool, machine_id);
    add_path_fix(fixes, fix);
    return write_setting(fs, tool, names::kPathFixSection, machine_id, format_path_fixes(fixes));
}
