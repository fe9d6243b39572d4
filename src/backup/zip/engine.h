// The engine behind the public entry points, on a given file system.
#pragma once

#include <string>

#include "backup/zip/file_port.h"
#include "backup/zip/staging.h"
#include "backup/zip/zip.h"

namespace zip {

Result compress_with(FileSystem& fs, const std::string& source_dir, const std::string& archive_path,
                     const ProgressFn& progress, const Options& options);

Result check_with(FileSystem& fs, const std::string& archive_path);
Result stage_with(FileSystem& fs, const std::string& archive_path, const std::string& target_dir,
                  const ProgressFn& progress, const Options& options, StagedExtraction* staged,
                  const std::function<bool(const std::string&)>& wanted);

unsigned worker_count(const Options& options);

inline Result failure(std::string reason) { return Result{false, std::move(reason), {}}; }

// A reason that names an entry by its name in the archive.
std::string named_entry(const char* what, const std::string& name);

}  // namespace zip
