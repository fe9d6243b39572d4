#include "run/first_start.h"

#include "config/machine_list.h"
#include "config/names.h"

std::string make_machine_id(const std::string& adapter_address, unsigned build_number) {
    std::string id;
    for (char c : adapter_address)
        if (c != '-') id += c;
    return id + std::to_string(build_number);
}

bool needs_legacy_migration(StartupFiles& files, const ToolFolders& tool) {
    return files.exists(tool.tool_dir + "\\" + names::kLegacyConfigFile) && !files.exists(tool.config_dir()) &&
           !files.exists(tool.backup_root());
}

std::string migrate_legacy_layout(StartupFiles& files, const ToolFolders& tool, const std::string& machine_id) {
    const std::string old_file = tool.tool_dir + "\\" + names::kLegacyConfigFile;
    const std::string new_file = tool.config_dir() + "\\" + names::kLegacyConfigFile;
    files.create_directory(tool.config_dir());
    files.create_directory(tool.backup_root());

    std::string failures;
    for (const std::string& project : files.ini_section_names(old_file)) {
        std::string folder = tool.tool_dir + "\\" + project;
        if (!files.exists(folder)) continue;
        if (!files.move_folder_into(folder, tool.backup_root()))
            failures += "未能移动备份文件夹：" + folder + "\r\n";
    }
    bool list_moved = files.move_file(old_file, new_file) || files.copy_file(old_file, new_file);
    // The old project list goes only once its copy stands in the new place.
    std::string list_in_use = old_file;
    if (list_moved && files.is_file(new_file)) {
        files.delete_file(old_file);
        list_in_use = new_file;
    } else {
        failures += "未能迁移配置文件：" + old_file + "（仍在原处使用）\r\n";
    }
    files.record_machine_list(tool, machine_id, list_in_use);
    if (failures.empty()) return "系统检测你的上一版本低于0.99。\r\n已自动完成版本升级后的文件迁移。";
    return "系统检测你的上一版本低于0.99。\r\n文件迁移未能全部完成：\r\n" + failures;
}

bool migration_failed(const std::string& message) { return message.find("未能") != std::string::npos; }

ListChoice choose_project_list(StartupFiles& files, const ToolFolders& tool, const std::string& machine_id,
                               const std::function<bool()>& ask_generate) {
    std::string chosen = files.machine_list(tool, machine_id);
    if (!chosen.empty()) return {chosen, false};
    if (!ask_generate()) return {"", true};
    std::string path = generated_list_path(tool, machine_id);
    files.record_machine_list(tool, machine_id, path);
    return {path, false};
}
