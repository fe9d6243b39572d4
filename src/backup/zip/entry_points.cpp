// The public entry points, on the file system the options name or the platform's own.
#include "backup/zip/engine.h"

namespace zip {

std::string named_entry(const char* what, const std::string& name) { return what + fs::shown_name(name); }

namespace {
FileSystem& chosen(const Options& options) { return options.fs ? *options.fs : fs::platform_file_system(); }
}  // namespace

Result compress_folder(const std::string& source_dir, const std::string& archive_path, const ProgressFn& progress,
                       const Options& options) {
    return compress_with(chosen(options), source_dir, archive_path, progress, options);
}

Result check_archive(const std::string& archive_path, const Options& options) {
    return check_with(chosen(options), archive_path);
}

Result stage_extraction(const std::string& archive_path, const std::string& target_dir, const ProgressFn& progress,
                        const Options& options, StagedExtraction* staged,
                        const std::function<bool(const std::string&)>& wanted) {
    return stage_with(chosen(options), archive_path, target_dir, progress, options, staged, wanted);
}

}  // namespace zip
