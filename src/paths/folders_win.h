#pragma once
// The folders of the machine the tool runs on.
#include <string>

#include "paths/expand.h"
#include "paths/path_fixes.h"

class SystemFolders : public Folders {
   public:
    std::string environment_variable(const std::string& name) const override;
    std::string special_folder(int csidl) const override;
    std::string windows_dir() const override;
    std::string system_dir() const override;
    std::string temp_dir() const override;
    std::string fixed_path(const std::string& expanded) const override;
};

// The one instance the windows use.
const Folders& system_folders();
// This machine's path fixes, from then on applied by system_folders(): at start, and when the
// user accepts a fix. Workers may expand paths meanwhile.
void use_path_fixes(const PathFixes& fixes);

// Folder of special directory `item` (1 … 11, the order of the page "其他") on this machine, ending
// in exactly one "\"; "" on failure.
inline std::string special_directory_path(int item) {
    return special_directory_path(item, system_folders());
}
