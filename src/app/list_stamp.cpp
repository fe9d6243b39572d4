#include "app/list_stamp.h"

#include "config/config_lock.h"
#include "config/ini.h"

bool ListStamp::stamp(const std::string& project) {
    ConfigFilesLock lock;
    if (!contains_project(read_ini_section_names(list_), project)) return true;
    IniProjectStore store(list_, backup_root_);
    return stamp_project_checked(store, project);
}
