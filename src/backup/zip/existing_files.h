// What a staged file replaces on the disk, spelled as the disk spells it. Each folder is listed once
// for all the files that go into it, instead of one call per file; a name the listing spells only
// differently (in case, or as an 8.3 alias) is asked about, since only the system knows whether it
// is the same file.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "backup/zip/file_port.h"

namespace zip {

class ExistingFiles {
public:
    explicit ExistingFiles(FileSystem& fs) : fs_(fs) {}

    // The file or folder at `path`, its name as on the disk; nullopt when there is none.
    std::optional<DirEntry> find(const std::string& path);

private:
    struct Listing {
        bool ok = false;
        std::vector<DirEntry> entries;
        std::map<std::string, std::size_t> by_name, by_fold;
    };
    const Listing& listing(const std::string& dir);

    FileSystem& fs_;
    std::map<std::string, Listing> listings_;
};

}  // namespace zip
