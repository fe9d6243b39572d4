// Where an extraction writes before its commit. In a folder that exists, each file is written under
// a temporary name beside its target. A folder that does not exist yet is made under a temporary
// name, and everything below it under its own names inside: its files need no rename of their own
// (on Windows every file call costs, under Wine a round trip to the server and a scan of the
// folder), and the caller renames the folder into place. Either way the target shows nothing of the
// archive before those renames.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "backup/zip/file_port.h"

namespace zip {

class ExtractLayout {
public:
    ExtractLayout(FileSystem& fs, const std::string& target);

    // Makes the target and the folders (relative, parents before children). On failure, names the
    // folder ("" for the target); remove() takes away what was made.
    bool make_folders(const std::set<std::string>& relative_dirs, std::string* failed);

    // Where the write phase puts a file given relative to the target.
    std::string write_path(const std::string& relative);
    // Whether that is the file's own name inside a new folder, in place once the folder is.
    bool in_new_folder(const std::string& relative) const { return fresh_.count(parent_of(relative)) > 0; }

    // Removes the written files and the folders made: all of them, or those inside `under`.
    void remove(const std::vector<std::string>& written, const std::string& under = "");

    struct NewFolder {
        std::string relative, target, temp;
    };
    // For a caller that does the renames itself: the new folders (outermost), every folder the
    // archive adds (relative, parents first; "" the target), the folders made above a new target,
    // and every folder made.
    const std::vector<NewFolder>& new_folders() const { return new_folders_; }
    std::vector<std::string> new_relative_dirs() const { return {fresh_.begin(), fresh_.end()}; }
    const std::vector<std::string>& made_parents() const { return parents_; }
    const std::vector<std::string>& made() const { return made_; }

private:
    static std::string parent_of(const std::string& relative);
    bool place(const std::string& relative, const std::string& target);
    bool make_parents(const std::string& path);

    FileSystem& fs_;
    std::string target_;
    std::map<std::string, std::string> paths_;  // relative folder ("" the target) -> where it is for now
    std::set<std::string> fresh_;               // relative folders that are new or inside a new one
    std::vector<NewFolder> new_folders_;
    std::vector<std::string> made_;     // every folder made, parents first
    std::vector<std::string> parents_;  // those above a new target, outermost first
};

}  // namespace zip
