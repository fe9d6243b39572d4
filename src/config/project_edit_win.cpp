#include <windows.h>

#include "config/ini.h"
#include "config/project_edit.h"
#include "paths/files.h"

std::string IniProjectStore::read(const std::string& project, const std::string& key) {
    return read_ini_value(file_, project, key);
}

// Without a chosen list there is nowhere to write: the profile functions would pick a file of the
// system's own.
bool IniProjectStore::write(const std::string& project, const std::string& key, const std::string& value) {
    return !file_.empty() && write_ini_value(file_, project, key, value);
}

bool IniProjectStore::remove(const std::string& project) {
    return !file_.empty() && delete_ini_section(file_, project);
}

bool IniProjectStore::remove_key(const std::string& project, const std::string& key) {
    return !file_.empty() && write_ini_value(file_, project, key, std::nullopt);
}

bool IniProjectStore::backup_folder_exists(const std::string& project) {
    return !project.empty() && files::is_directory(backup_root_ + "\\" + project);
}

bool IniProjectStore::rename_backup_folder(const std::string& from, const std::string& to) {
    return MoveFileA((backup_root_ + "\\" + from).c_str(), (backup_root_ + "\\" + to).c_str()) != FALSE;
}
