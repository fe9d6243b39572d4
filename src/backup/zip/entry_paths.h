// Where each entry of an archive goes below the target, and the names refused before anything is
// written: those that could land elsewhere, those Windows cannot hold, and those that would be one
// file on Windows although the archive holds them as two.
#pragma once

#include <map>
#include <string>

#include "backup/zip/archive_reader.h"
#include "backup/zip/file_port.h"

namespace zip {

class EntryPaths {
public:
    explicit EntryPaths(FileSystem& fs) : fs_(fs) {}

    // "" or why the archive is refused. *relative is '/' separated, with every folder spelled as
    // the first entry that reached it spelled it (`A/x` and `a/y` go into one folder).
    std::string add(const ArchiveEntry& entry, std::string* relative, bool* is_dir);

private:
    struct Seen {
        std::string spelled;  // relative, as placed
        std::string entry;    // the name of the entry that placed it
        bool is_dir = false;
    };
    std::string clash(const Seen& seen, const std::string& spelled, const ArchiveEntry& entry, bool is_dir);

    FileSystem& fs_;
    std::map<std::string, Seen> by_fold_;  // folded relative path -> what is there
};

}  // namespace zip
