// The ZIP engine: backs a folder up into one archive and restores it.
//
// Paths are in the ANSI code page on Windows (GBK) and plain byte paths elsewhere. Names inside the
// archive are UTF-8, so files whose names GBK cannot spell survive a round trip.
//
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "backup/zip/file_port.h"

namespace zip {

struct Progress {
    int percent;                // 0..100 by bytes; 100 only once the work is complete
    std::string current_entry;  // entry name in the ANSI code page, for display
};
// Always called on the caller's thread, on a change of percent or about every 50 ms.
using ProgressFn = std::function<void(const Progress&)>;

struct Result {
    bool ok = true;
    std::string error;  // short Chinese reason naming the file, in the ANSI code page
    // What a backup left out (a link cycle, a link whose target is gone, a link into an excluded
    // folder), one "name：reason" each.
    std::vector<std::string> skipped;
};

// Whether an entry (relative, '/' between names, no '/' at the end) is left out of a backup, and left
// alone on the disk by an extraction: the project's 排除.
using LeaveOut = std::function<bool(const std::string& relative, bool is_dir)>;

struct Options {
    FileSystem* fs = nullptr;         // nullptr: the platform's own
    unsigned threads = 0;             // worker threads; 0: one per core
    std::size_t chunk_size = 1 << 20; // large files are deflated in pieces this big, in parallel
    int level = 6;                    // deflate level for data that compresses; 0 stores everything as it is
    bool force_zip64 = false;         // write Zip64 records even when nothing needs them
    // Folders (program paths, like source_dir) a backup leaves out wherever it meets them inside the
    // source, through links or not, and names in Result::skipped: the backup root, the tool's own.
    std::vector<std::string> excluded_folders;
    // Entries a backup leaves out without a word, and an extraction neither writes nor replaces.
    LeaveOut leave_out;
    bool sync_files = false;          // staging: flush every file written to the disk before closing it
    // Staging: a file already there with the archive's size, time and bytes is left as it is.
    bool keep_identical = false;
};

// Writes the archive under a temporary name and moves it over archive_path only once it is complete
// and flushed. Entry names are relative to source_dir; every folder gets an entry of its own.
Result compress_folder(const std::string& source_dir, const std::string& archive_path,
                       const ProgressFn& progress, const Options& options);
inline Result compress_folder(const std::string& source_dir, const std::string& archive_path,
                              const ProgressFn& progress = {}) {
    return compress_folder(source_dir, archive_path, progress, Options{});
}

// Extraction is staged (see staging.h): every file is written and verified beside its target, and
// the caller renames them into place.

}  // namespace zip
