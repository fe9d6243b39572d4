// Packs a given list of files rather than a folder tree: the files a restore replaces, kept for its
// undo.
#pragma once

#include <string>
#include <vector>

#include "backup/zip/walk.h"
#include "backup/zip/zip.h"

namespace zip {

// Each of `files` names its entry, where it is now, its size and time; `archive` is a file-system
// path. Written under a temporary name and moved into place once flushed, like compress_folder.
Result compress_files(FileSystem& fs, const std::vector<SourceEntry>& files, const std::string& archive,
                      const ProgressFn& progress, const Options& options);

}  // namespace zip
