#include "config/ini.h"
#include "config/names.h"
#include "config/project_list.h"
#include "paths/files.h"

std::vector<std::string> load_project_names(const std::string& save_config_path) {
    if (!files::exists(save_config_path)) return {};
    return order_by_operation_time(read_ini_section_names(save_config_path), [&](const std::string& name) {
        return read_ini_value(save_config_path, name, names::kOperationTimeKey, "2011年1月1日1时1分1秒");
    });
}

