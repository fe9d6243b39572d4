#pragma once
// The backup folder on the real machine, for pruning old backups.
#include "backup/retention.h"

class WinArchiveFolder : public ArchiveFolder {
   public:
    std::vector<std::string> file_names(const std::string& folder) override;
    bool delete_file(const std::string& path) override;
};
