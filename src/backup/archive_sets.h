#pragma once
// The archive sets in a folder: "<time text>.zip" and its companions "<time text>.zip<k>", the
// names backups (and safety copies) are written under. Nothing else in the folder is one.
#include <cstdint>
#include <string>
#include <vector>

struct ArchiveSet {
    std::string stem;                // the time text
    int64_t seconds = 0;             // its moment, for ordering
    std::vector<std::string> names;  // file names of the set's archives
};

// The sets among these file names, newest first.
std::vector<ArchiveSet> archive_sets(const std::vector<std::string>& file_names);
