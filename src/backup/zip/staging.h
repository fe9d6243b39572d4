// Extraction stopped short of its renames, for a restore that must be all or nothing across
// several archives: every file is written and verified where renames alone can move it into
// place, and the caller does those renames (and can take them back).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backup/zip/file_port.h"
#include "backup/zip/zip.h"

namespace zip {

struct StagedExtraction {
    struct File {
        std::string relative;  // '/' separated
        std::string target;
        std::string staged;    // written and verified here
        bool replaces = false;  // a file of that name was there
        std::string existing;   // that file, its name spelled as on the disk (Save.dat may replace save.dat)
        uint64_t existing_size = 0;   // and its size, time and state as the folder's listing found them
        int64_t existing_mtime = 0;
        std::optional<FileState> existing_state;
    };
    struct Folder {
        std::string relative;  // "" for the target folder itself
        std::string target;
        std::string staged;    // made under this name, with its new files inside
        std::vector<std::string> files;  // relative names of the files that arrive with it
    };
    std::vector<File> files;      // files that go into folders that exist
    std::vector<std::string> identical;  // with keep_identical: files (relative) already as the archive has them
    std::vector<Folder> folders;  // new folders, outermost only; renamed into place
    std::vector<std::string> new_dirs;      // every folder the archive adds (relative, parents first; "" the target)
    std::vector<std::string> made_parents;  // folders made above a new target (outermost first)
    std::vector<std::string> written;       // files written, then folders made: to remove if it is not wanted
};

// Reads the archive's directory and checks every name, writing nothing: what can be known of an
// archive before its data is read.
Result check_archive(const std::string& archive_path, const Options& options = {});

// Checks the archive and writes its files as above; with `wanted`, only the files it accepts.
// Writes nothing into the target's existing files. On failure, removes what it wrote.
Result stage_extraction(const std::string& archive_path, const std::string& target_dir, const ProgressFn& progress,
                        const Options& options, StagedExtraction* staged,
                        const std::function<bool(const std::string& relative)>& wanted = {});

}  // namespace zip
