#include "run/first_start.h"

#include "config/ini_file.h"
#include "config/machine_list.h"
#include "config/names.h"

std::string make_machine_id(const std::string& adapter_address, unsigned build_number) {
    std::string id;
    for (char c : adapter_address)
        if (c != '-') id += c;
    return id + std::to_string(build_number);
}

namespace {

bool move(fs::FileSystem& fs, const std::string& from, const std::string& to) { return fs.rename(from, to); }

bool copy_list(fs::FileSystem& fs, const std::string& from, const std::string& to) {
    constexpr std::size_t kMaxList = 64u << 20;
    const std::optional<std::string> bytes = fs::read_whole_file(fs, from, kMaxList);
    return bytes && fs::write_file_atomically(fs, to, *bytes, false);
}

bool is_file(fs::FileSystem& fs, const std::string& path) {
    fs::DirEntry info;
    return fs.stat(path, &info) && !info.is_dir;
}

}  // namespace

bool needs_legacy_migration(fs::FileSystem& fs, const ToolFolders& tool) {
    return fs.exists(tool.tool_dir + "/" + names::kLegacyConfigFile) && !fs.exists(tool.config_dir()) &&
           !fs.exists(tool.backup_root());
}

std::string migrate_legacy_layout(fs::FileSystem& fs, const ToolFolders& tool, const std::string& machine_id) {
    const std::string old_file = tool.tool_dir + "/" + names::kLegacyConfigFile;
    const std::string new_file = tool.config_dir() + "/" + names::kLegacyConfigFile;
    bool made = false;
    fs.make_dir(tool.config_dir(), &made);
    fs.make_dir(tool.backup_root(), &made);

    std::string failures;
    for (const std::string& project : ini::load(fs, old_file)->section_names()) {
        if (project.empty()) continue;
        const std::string folder = project_folder(tool.tool_dir, project);
        if (!fs.exists(folder)) continue;
        // Within the tool folder: one volume, so one rename each.
        if (!move(fs, folder, tool.backup_folder(project)))
            failures += "未能移动备份文件夹：" + fs::shown(folder) + "\r\n";
    }
    bool list_moved = move(fs, old_file, new_file) || copy_list(fs, old_file, new_file);
    // The old project list goes only once its copy stands in the new place.
    std::string list_in_use = old_file;
    if (list_moved && is_file(fs, new_file)) {
        fs.remove_file(old_file);
        list_in_use = new_file;
    } else {
        failures += "未能迁移配置文件：" + fs::shown(old_file) + "（仍在原处使用）\r\n";
    }
    write_machine_list(fs, tool, machine_id, list_in_use);
    if (failures.empty()) return "系统检测你的上一版本低于0.99。\r\n已自动完成版本升级后的文件迁移。";
    return "系统检测你的上一版本低于0.99。\r\n文件迁移未能全部完成：\r\n" + failures;
}

bool migration_failed(const std::string& message) { return message.find("未能") != std::string::npos; }

ListChoice choose_project_list(fs::FileSystem& fs, const ToolFolders& tool, const std::string& machine_id,
                               const std::function<bool()>& ask_generate) {
    std::string chosen = read_machine_list(fs, tool, machine_id);
    if (!chosen.empty()) return {chosen, false};
    if (!ask_generate()) return {"", true};
    std::string path = generated_list_path(tool, machine_id);
    write_machine_list(fs, tool, machine_id, path);
    return {path, false};
}
