#include "config/machine_list.h"

#include "config/ini.h"
#include "paths/gbk_text.h"

std::string read_machine_list(const ToolFolders& tool, const std::string& machine_id) {
    return read_ini_value(tool.system_config_path(), names::kMachineSection, machine_id);
}

bool write_machine_list(const ToolFolders& tool, const std::string& machine_id, const std::string& list) {
    return write_ini_value(tool.system_config_path(), names::kMachineSection, machine_id, list);
}

std::string generated_list_path(const ToolFolders& tool, const std::string& machine_id) {
    return tool.config_dir() + "\\" + names::kSaveConfigPrefix + machine_id + names::kSaveConfigSuffix;
}

bool is_machine_file(const std::string& path) { return gbk::find(path, names::kSystemConfigFile) > 0; }

std::string read_machine_setting(const ToolFolders& tool, const char* section, const std::string& machine_id) {
    return read_ini_value(tool.system_config_path(), section, machine_id);
}

bool write_machine_setting(const ToolFolders& tool, const char* section, const std::string& machine_id,
                           const std::string& value) {
    return write_ini_value(tool.system_config_path(), section, machine_id, value);
}
