#include "config/machine_list.h"

#include "config/ini_file.h"
#include "config/names.h"
#include "paths/gbk_text.h"

std::string read_machine_list(zip::FileSystem& fs, const ToolFolders& tool, const std::string& machine_id) {
    if (machine_id.empty()) return {};
    return ini::load(fs, fs.from_ansi(tool.system_config_path()))->value(names::kMachineSection, machine_id).value_or("");
}

bool write_machine_list(zip::FileSystem& fs, const ToolFolders& tool, const std::string& machine_id,
                        const std::string& list) {
    return ini::update(fs, fs.from_ansi(tool.system_config_path()),
                       [&](ini::Document& doc) { return doc.set(names::kMachineSection, machine_id, list); });
}

std::string read_machine_list(const ToolFolders& tool, const std::string& machine_id) {
    return read_machine_list(zip::platform_file_system(), tool, machine_id);
}

bool write_machine_list(const ToolFolders& tool, const std::string& machine_id, const std::string& list) {
    return write_machine_list(zip::platform_file_system(), tool, machine_id, list);
}

std::string generated_list_path(const ToolFolders& tool, const std::string& machine_id) {
    return tool.config_dir() + "\\" + names::kSaveConfigPrefix + machine_id + names::kSaveConfigSuffix;
}

bool is_machine_file(const std::string& path) { return gbk::find(path, names::kSystemConfigFile) > 0; }
