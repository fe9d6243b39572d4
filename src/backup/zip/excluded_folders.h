// Folders a backup must leave out wherever the walk meets them (the backup folder and the tool's
// own, reached through a link or lying inside the save folder), without a call to the system per
// folder: a link is asked where it really leads, a plain folder only when its path is the one an
// excluded folder has below the root, and any folder whose identity the walk has anyway is
// compared by it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "backup/zip/file_port.h"

namespace zip {

class ExcludedFolders {
public:
    // A folder that holds the root (or is the root) is not left out: the root is what was asked for.
    ExcludedFolders(FileSystem& fs, const std::string& root, const std::vector<std::string>& folders);

    // Whether a folder below the root is one of them or lies inside one. `relative` is its path
    // below the root, `id` its identity when the caller has it.
    bool contains(const std::string& path, const std::string& relative, bool is_link,
                  const std::optional<FolderId>& id);

private:
    struct Folder {
        FolderId id;
        std::string real;           // links resolved, '/' separated
        std::string below_root;     // folded path relative to the root's real path, "" when not below it
    };
    bool leads_into(const std::string& path);
    bool is_at(const std::string& path, const std::string& relative, const Folder& folder);

    FileSystem& fs_;
    std::vector<Folder> folders_;
};

}  // namespace zip
