// Lists a folder tree for the archive: folders before their contents, names sorted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "backup/zip/file_system.h"

namespace zip {

struct SourceEntry {
    std::string name;  // relative to the root, '/' separated; folders end with '/'
    std::string path;  // for the file system
    bool is_dir = false;
    uint64_t size = 0;
    int64_t mtime = 0;
};

struct WalkResult {
    std::vector<SourceEntry> entries;
    bool ok = true;
    std::string failed_path;  // the folder that could not be listed
};

// `skip` holds a full path left out of the listing (the archive, when it is inside the tree).
WalkResult walk_tree(FileSystem& fs, const std::string& root, const std::string& skip);

}  // namespace zip
