#include "backup/retention_win.h"

#include "paths/files.h"

std::vector<std::string> WinArchiveFolder::file_names(const std::string& folder) {
    return files::matching_files(folder, "*");
}

bool WinArchiveFolder::delete_file(const std::string& path) {
    return files::delete_file(path);
}
