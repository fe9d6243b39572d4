// Extraction into a folder on the program's one extract path: the archive is staged beside the
// target, then every file and new folder is renamed into place (a restore does these renames under
// its journal). For engine tests, the Windows tests and the benchmark.
#pragma once

#include <string>

#include "fs/file_system.h"
#include "backup/zip/staging.h"

namespace zip_test {

// The paths as a test names them (in the ANSI code page, as the user types them).
inline zip::Result extract_into(const std::string& archive, const std::string& target, const zip::ProgressFn& progress = {},
                                const zip::Options& options = {}) {
    fs::FileSystem& fs = options.fs ? *options.fs : fs::platform_file_system();
    zip::StagedExtraction staged;
    zip::Result r = zip::stage_extraction(fs::path_of(archive), fs::path_of(target), progress, options, &staged);
    if (!r.ok) return r;
    std::string failed;
    for (const auto& f : staged.files)
        if (failed.empty() && !fs.replace(f.staged, f.replaces && !f.existing.empty() ? f.existing : f.target))
            failed = f.target;
    for (const auto& d : staged.folders)
        if (failed.empty() && !fs.rename(d.staged, d.target)) failed = d.target;
    if (failed.empty()) return r;
    // What is still under a staged name goes: files, then the folders made, innermost first.
    for (const std::string& path : staged.written) fs.remove_file(path);
    for (auto path = staged.written.rbegin(); path != staged.written.rend(); ++path) fs.remove_dir(*path);
    return zip::Result{false, "无法替换文件：" + fs::shown(failed), {}};
}

}  // namespace zip_test
