// Lists a folder tree for the archive: folders before their contents, names sorted. Links to
// folders are followed, but no folder is listed twice, so a link cycle ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "backup/zip/file_port.h"
#include "backup/zip/zip.h"

namespace zip {

struct SourceEntry {
    std::string name;  // relative to the root, '/' separated; folders end with '/'
    std::string path;  // for the file system
    bool is_dir = false;
    uint64_t size = 0;
    int64_t mtime = 0;
    bool is_link = false;  // reached through a link (a folder may then come round twice)
};

// What the walk left out, and why.
struct SkippedEntry {
    enum Reason { repeated_folder, unreachable_link, not_a_file, excluded_folder };
    std::string name;  // as in SourceEntry
    Reason reason;
};

struct WalkResult {
    std::vector<SourceEntry> entries;
    std::vector<SkippedEntry> skipped;
    bool ok = true;
    std::string failed_path;  // the folder that could not be listed
};

// "name：reason" lines for the user, in the ANSI code page.
std::vector<std::string> describe_skipped(const std::vector<SkippedEntry>& skipped);

// `skip` holds a full path left out of the listing (the archive, when it is inside the tree). A
// folder that is one of `excluded` or lies inside one, however it is reached, is left out; so is
// every temporary of the engine's own naming. What `leave_out` accepts is left out and not named.
WalkResult walk_tree(FileSystem& fs, const std::string& root, const std::string& skip,
                     const std::vector<std::string>& excluded = {}, const LeaveOut& leave_out = {});

}  // namespace zip
